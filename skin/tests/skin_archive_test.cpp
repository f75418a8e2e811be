// The packed skin as the client reads it: every layout and every image a layout names comes out of
// skin.dll through the resource store, images are truecolour PNGs whose slicing fits them, and the
// windows find the controls they look up.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/text.h"
#include "toolkit/resource_store.h"

namespace nimbrook::toolkit {
namespace {

struct PngHeader {
  bool valid = false;
  uint32_t width = 0;
  uint32_t height = 0;
  int bitDepth = 0;
  int colourType = 0;
};

uint32_t Be32(const std::string& b, size_t at) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(b[at])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

PngHeader ReadPngHeader(const std::string& bytes) {
  PngHeader h;
  if (bytes.size() < 33 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || bytes.compare(12, 4, "IHDR") != 0) return h;
  h.width = Be32(bytes, 16);
  h.height = Be32(bytes, 20);
  h.bitDepth = static_cast<unsigned char>(bytes[24]);
  h.colourType = static_cast<unsigned char>(bytes[25]);
  h.valid = true;
  return h;
}

std::vector<std::string> LayoutNames() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(NIMBROOK_SKIN_SOURCES) / "layouts")) {
    if (entry.path().extension() == ".xml") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class SkinArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(store_.SetResourcePath(text::FromUtf8(NIMBROOK_SKIN_DIR)));
    ASSERT_TRUE(store_.SetResourceZip(L"skin.dll"));
  }
  std::string Layout(const std::string& name) {
    const auto bytes = store_.ReadResource(text::FromUtf8(name));
    EXPECT_TRUE(bytes) << name;
    return bytes.value_or("");
  }
  ResourceStore store_;
};

TEST_F(SkinArchiveTest, EveryLayoutIsPackedUnchanged) {
  const auto names = LayoutNames();
  for (const char* required : {"ok.xml", "okcancel.xml", "update_now.xml", "notify.xml", "menu.xml", "protocol.xml",
                               "route.xml", "jiasu.xml", "video.xml", "gallery.xml", "setting.xml", "about.xml",
                               "cleardns.xml"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), required), names.end()) << required;
  }
  for (const auto& name : names) {
    std::string source;
    ASSERT_TRUE(ReadFileBytes(text::FromUtf8(std::string(NIMBROOK_SKIN_SOURCES) + "/layouts/" + name), source));
    EXPECT_EQ(Layout(name), source) << name;
  }
}

TEST_F(SkinArchiveTest, EveryNamedImageIsAnRgbaPngAndItsSlicesFit) {
  const std::regex imageText(R"re(file='([A-Za-z0-9_]+\.png)'([^"]*))re");
  const std::regex bareImage(R"re(="([A-Za-z0-9_]+\.png)")re");
  const std::regex corner(R"re(corner='(\d+),(\d+),(\d+),(\d+)')re");
  std::map<std::string, PngHeader> seen;
  auto header = [&](const std::string& file) -> PngHeader {
    auto it = seen.find(file);
    if (it != seen.end()) return it->second;
    const auto bytes = store_.ReadResource(text::FromUtf8(file));
    PngHeader h = bytes ? ReadPngHeader(*bytes) : PngHeader{};
    seen[file] = h;
    return h;
  };
  for (const auto& name : LayoutNames()) {
    const std::string layout = Layout(name);
    std::vector<std::pair<std::string, std::string>> uses;  // file, rest of its image text
    for (std::sregex_iterator it(layout.begin(), layout.end(), imageText), end; it != end; ++it) {
      uses.emplace_back((*it)[1].str(), (*it)[2].str());
    }
    for (std::sregex_iterator it(layout.begin(), layout.end(), bareImage), end; it != end; ++it) {
      uses.emplace_back((*it)[1].str(), "");
    }
    for (const auto& [file, rest] : uses) {
      const PngHeader h = header(file);
      ASSERT_TRUE(h.valid) << name << " names " << file << ", which the archive lacks or is no PNG";
      // Truecolour, with alpha wherever the image has transparent parts (the renderer reads both).
      EXPECT_TRUE(h.colourType == 6 || h.colourType == 2) << file << " is not a truecolour PNG";
      EXPECT_EQ(h.bitDepth, 8) << file;
      std::smatch c;
      if (std::regex_search(rest, c, corner)) {
        EXPECT_LT(std::stoul(c[1]) + std::stoul(c[3]), h.width) << name << ": " << file << " is narrower than its corners";
        EXPECT_LT(std::stoul(c[2]) + std::stoul(c[4]), h.height) << name << ": " << file << " is lower than its corners";
      }
    }
  }
  EXPECT_GE(seen.size(), 20u);
  // Images the windows name in code rather than in layouts: the telephone pair, the load bars, the
  // row separator and the flags of the server list (16 x 12 each).
  for (const char* file : {"main_telephone.png", "main_telephone_hor.png", "jdt_back.png", "jdt0.png", "jdt1.png",
                           "jdt2.png", "jdt3.png", "jdt4.png", "serverlist_item_sepaline.png"}) {
    EXPECT_TRUE(header(file).valid) << file;
  }
  for (const char* file : {"hongkong.png", "jpa.png", "korea.png", "usa.png", "uk.png", "taiwan.png", "cha.png",
                           "unicom.png", "cn.png", "au.png", "de.png", "ru.png", "fr.png", "ph.png", "nl.png", "my.png",
                           "th.png", "sg.png", "unknown.png"}) {
    const PngHeader h = header(file);
    EXPECT_TRUE(h.valid) << file;
    EXPECT_EQ(h.width, 16u) << file;
    EXPECT_EQ(h.height, 12u) << file;
  }
}

TEST_F(SkinArchiveTest, WindowsFindTheControlsTheyLookUp) {
  const std::map<std::string, std::vector<std::string>> needs = {
      {"ok.xml", {"title", "text", "ok", "closebtn"}},
      {"okcancel.xml", {"title", "text", "ok", "cancel", "closebtn"}},
      {"update_now.xml", {"title", "text", "ok", "cancel", "closebtn"}},
      {"notify.xml", {"title", "closebtn", "notifyweb"}},
      {"menu.xml", {"menu_Setting", "menu_Home", "menu_Help", "menu_Navigater", "menu_About", "setting", "home", "help",
                    "navigater", "about"}},
      {"protocol.xml", {"listProtocol"}},
      {"route.xml", {"listRoute", "route_ipscope", "route_global"}},
      {"jiasu.xml", {"jiasu_telephone"}},
      {"cleardns.xml", {"title", "text", "ok", "closebtn"}},
      {"about.xml", {"about_title", "des1", "des2", "des3", "des4", "copyright1", "copyright2", "about_version",
                     "closebtn"}},
  };
  const std::regex nameAttribute(R"re(\sname="([^"]+)")re");
  for (const auto& [file, controls] : needs) {
    const std::string layout = Layout(file);
    std::multiset<std::string> names;
    for (std::sregex_iterator it(layout.begin(), layout.end(), nameAttribute), end; it != end; ++it) names.insert((*it)[1]);
    for (const auto& control : controls) EXPECT_EQ(names.count(control), 1u) << file << " needs exactly one " << control;
  }
  EXPECT_NE(Layout("notify.xml").find("<WebBrowser name=\"notifyweb\""), std::string::npos);
  EXPECT_NE(Layout("protocol.xml").find("<List name=\"listProtocol\""), std::string::npos);
  EXPECT_NE(Layout("route.xml").find("<List name=\"listRoute\""), std::string::npos);
}

TEST_F(SkinArchiveTest, PickerAndMenuWindowsHoldTheirRowsExactly) {
  // Pickers are 25 px a row plus 12: the layout's own size holds four protocols and both routes,
  // and the menu's five 30 px rows fill it.
  const std::regex size(R"re(<Window size="(\d+),(\d+)")re");
  auto windowSize = [&](const std::string& file) {
    std::smatch m;
    const std::string layout = Layout(file);
    EXPECT_TRUE(std::regex_search(layout, m, size)) << file;
    return std::make_pair(std::stoi(m[1]), std::stoi(m[2]));
  };
  EXPECT_EQ(windowSize("protocol.xml").second, 25 * 4 + 12);
  EXPECT_EQ(windowSize("route.xml").second, 25 * 2 + 12);
  EXPECT_EQ(windowSize("menu.xml").second, 30 * 5 + 12);
}

TEST(SkinBackgroundTest, QuellIsAPngWithAlpha) {
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(text::FromUtf8(std::string(NIMBROOK_SKIN_DIR) + "/quell.dll"), bytes));
  const PngHeader h = ReadPngHeader(bytes);
  ASSERT_TRUE(h.valid);
  EXPECT_EQ(h.colourType, 6);
  EXPECT_EQ(h.width, 600u);
  EXPECT_EQ(h.height, 140u);
}

}  // namespace
}  // namespace nimbrook::toolkit
