// The trust policy over files: descriptors with and without a key (and with a key text that is no
// key), and release files against the DIGESTS of a descriptor.
#include "release_trust/release_trust.h"

#include <gtest/gtest.h>

#include "core/file_io.h"
#include "core/paths.h"
#include "release_trust_vectors.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

using namespace testing;

class ReleaseTrustTest : public ::testing::Test {
 protected:
  std::wstring Put(const std::wstring& name, const std::string& bytes) {
    const std::wstring path = JoinPath(dir_.Dir(), name);
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
  }
  TempDir dir_;
};

TEST_F(ReleaseTrustTest, DescriptorsNeedAValidSignatureOnlyWithAKey) {
  const std::wstring good = Put(L"good.ini", kSignedLf + ";signature=" + kSigLf + "\n");
  const std::wstring unsigned_ = Put(L"plain.ini", kSignedLf);
  const std::wstring foreign = Put(L"foreign.ini", kSignedLf + ";signature=" + kSigOtherKey + "\n");

  const ReleaseTrust keyed(kTestKey);
  EXPECT_TRUE(keyed.HasKey());
  EXPECT_EQ(keyed.CheckDescriptor(good), SignatureStatus::kValid);
  EXPECT_EQ(keyed.CheckDescriptor(unsigned_), SignatureStatus::kMissing);
  EXPECT_EQ(keyed.CheckDescriptor(foreign), SignatureStatus::kMismatch);
  EXPECT_EQ(keyed.CheckDescriptor(JoinPath(dir_.Dir(), L"absent.ini")), SignatureStatus::kUnreadable);
  EXPECT_EQ(keyed.CheckDescriptor(Put(L"huge.ini", std::string(kMaxSignedDescriptorBytes + 1, 'x'))),
            SignatureStatus::kUnreadable);

  const ReleaseTrust keyless("");
  EXPECT_FALSE(keyless.HasKey());
  EXPECT_EQ(keyless.CheckDescriptor(unsigned_), SignatureStatus::kValid);
  EXPECT_EQ(keyless.CheckDescriptor(foreign), SignatureStatus::kValid);

  // A key text that is no key trusts nothing.
  const ReleaseTrust broken("not a key");
  EXPECT_TRUE(broken.HasKey());
  EXPECT_EQ(broken.CheckDescriptor(good), SignatureStatus::kBadKey);
}

TEST_F(ReleaseTrustTest, FilesAreCheckedAgainstTheListedDigests) {
  const std::wstring descriptor =
      Put(L"d.ini", "[FILES]\r\nNimbrook.exe=x\r\n[DIGESTS]\r\nNimbrook.exe = "
                    "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD\r\n"
                    "docs\\a.txt=0000000000000000000000000000000000000000000000000000000000000000\r\n");
  const DigestMap digests = ReadDigests(os::SystemProfile(), descriptor);
  ASSERT_EQ(digests.size(), 2u);
  const std::wstring abc = Put(L"abc.bin", "abc");

  for (const char* key : {kTestKey, ""}) {
    const ReleaseTrust trust(key);
    EXPECT_EQ(trust.CheckFile(digests, L"nimbrook.EXE", abc), FileTrust::kMatches) << key;
    EXPECT_EQ(trust.CheckFile(digests, L"docs\\a.txt", abc), FileTrust::kMismatch) << key;
    EXPECT_EQ(trust.CheckFile(digests, L"Nimbrook.exe", JoinPath(dir_.Dir(), L"gone")), FileTrust::kUnreadable);
  }
  EXPECT_EQ(ReleaseTrust(kTestKey).CheckFile(digests, L"readme.txt", abc), FileTrust::kMissingDigest);
  EXPECT_EQ(ReleaseTrust("").CheckFile(digests, L"readme.txt", abc), FileTrust::kUnchecked);
  EXPECT_TRUE(ReadDigests(os::SystemProfile(), JoinPath(dir_.Dir(), L"none.ini")).empty());
}

}  // namespace
}  // namespace nimbrook
