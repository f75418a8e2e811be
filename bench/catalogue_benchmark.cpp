// The catalogue against a plain scan of the same text. Makes a login answer of N servers (the shape
// the service sends), then times, with repeats, (a) the baseline: decoding the UTF-8 answer and
// splitting it at every ";" and "|", and (b) the catalogue: decoding, splitting the answer and
// building the catalogue. Prints the medians, their ratio, and the catalogue's peak heap use against
// the answer's size. With --write FILE it only writes the answer (for timing the CLI on it).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/login_answer.h"
#include "core/text.h"
#include "testing/bench_figures.h"

namespace {

using nimbrook::bench::Median;

std::atomic<size_t> liveBytes{0};
std::atomic<size_t> peakBytes{0};

}  // namespace

// Counts live heap bytes (the size is kept in front of each block).
void* operator new(size_t size) {
  auto* block = static_cast<size_t*>(std::malloc(size + sizeof(std::max_align_t)));
  if (!block) throw std::bad_alloc();
  *block = size;
  const size_t now = liveBytes += size;
  size_t peak = peakBytes.load();
  while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
  }
  return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}
void operator delete(void* p) noexcept {
  if (!p) return;
  auto* block = reinterpret_cast<size_t*>(static_cast<char*>(p) - sizeof(std::max_align_t));
  liveBytes -= *block;
  std::free(block);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

std::string MakeAnswer(int servers) {
  static const char* const kAreas[] = {"免费", "美国", "日本", "香港", "台湾", "韩国", "中国", "欧洲", "新加坡"};
  std::string answer = "yes|srvtype,vip|expiration,2027-01-01 00:00:00|srvid,100042_";
  for (int i = 0; i < servers; ++i) {
    if (i) answer += ';';
    const std::string n = std::to_string(i);
    answer += std::string("area,") + kAreas[i % 9] + "|nasname," + kAreas[i % 9] + "线路" + n + "|IP,10." +
              std::to_string(i / 65536 % 256) + "." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256) +
              "|info," + kAreas[i % 9] + " CN2 GIA 精品线路 " + n + "|allow,1|onlineusers," + std::to_string(i * 37 % 200) +
              "|maxusers,200|connecttype,PPTP=1723#L2TP=1701#OVPN-UDP=1194#OVPN-TCP=443#OVPN-UDP+=20000-20100"
              "#OVPN-TCP+=30000-30010#IPSEC=500#SSTP=443";
  }
  return answer;
}

template <typename F>
double TimeMs(F&& f) {
  const auto a = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count();
}

}  // namespace

int main(int argc, char** argv) {
  int servers = 10000;
  int repeats = 7;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--servers") servers = std::atoi(argv[i + 1]);
    else if (flag == "--repeats") repeats = std::max(1, std::atoi(argv[i + 1]));
    else if (flag == "--write") {
      const std::string answer = MakeAnswer(servers);
      std::FILE* f = std::fopen(argv[i + 1], "wb");
      if (!f || std::fwrite(answer.data(), 1, answer.size(), f) != answer.size() || std::fclose(f) != 0) return 1;
      return 0;
    }
  }
  const std::string answer = MakeAnswer(servers);

  size_t sink = 0;
  std::vector<double> scan;
  std::vector<double> build;
  size_t peakAbove = 0;
  for (int r = 0; r < repeats; ++r) {
    scan.push_back(TimeMs([&] {
      const std::wstring text = nimbrook::text::FromUtf8(answer);
      std::vector<std::wstring_view> fields;
      size_t start = 0;
      for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == L';' || text[i] == L'|') {
          fields.emplace_back(text.data() + start, i - start);
          start = i + 1;
        }
      }
      sink += fields.size();
    }));
    const size_t before = liveBytes.load();
    peakBytes = before;
    build.push_back(TimeMs([&] {
      const std::wstring text = nimbrook::text::FromUtf8(answer);
      nimbrook::Catalogue catalogue;
      catalogue.Rebuild(nimbrook::SplitLoginAnswer(text).naslist);
      sink += catalogue.Entries().size();
    }));
    peakAbove = std::max(peakAbove, peakBytes.load() - before);
  }
  const double scanMs = Median(scan);
  const double buildMs = Median(build);
  std::printf("catalogue servers=%d answer_bytes=%zu repeats=%d\n", servers, answer.size(), repeats);
  // "figure NAME VALUE baseline BASE RATIO", the form the bench table reads.
  std::printf("figure catalogue_build %.3f baseline %.3f %.2f\n", buildMs, scanMs, buildMs / scanMs);
  std::printf("figure catalogue_memory %.0f baseline %zu %.2f\n", static_cast<double>(peakAbove), answer.size(),
              static_cast<double>(peakAbove) / static_cast<double>(answer.size()));
  return sink == 0 ? 1 : 0;
}
