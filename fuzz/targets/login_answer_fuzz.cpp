// Login answers as the service (or anyone on the way) may send them: the account head, the naslist
// as the catalogue groups it, and every server entry with the rules the connect flow applies to it.
#include "catalogue/catalogue.h"
#include "catalogue/login_answer.h"
#include "catalogue/server_entry.h"
#include "fuzz_support.h"

using namespace nimbrook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring answer = text::FromUtf8(fuzz::Bytes(data, size));
  const SplitAnswer split = SplitLoginAnswer(answer);
  FUZZ_CHECK(split.head.size() + split.naslist.size() <= answer.size());
  (void)ReadAccountHead(split.head);

  Catalogue catalogue;
  catalogue.Rebuild(split.naslist);
  const auto& entries = catalogue.Entries();
  const auto& all = catalogue.Groups().Group(kAreaAll);
  FUZZ_CHECK(all.size() == entries.size());
  size_t grouped = 0;
  for (const AreaGroup& g : kAreaGroupTable) {
    if (g.code == kAreaAll) continue;
    for (size_t index : catalogue.Groups().Group(g.code)) FUZZ_CHECK(index < entries.size());
    grouped += catalogue.Groups().Group(g.code).size();
  }
  FUZZ_CHECK(grouped <= entries.size());

  unsigned draw = 0;
  for (const ServerEntry& entry : entries) {
    const int load = LoadPercentage(entry.onlineusers, entry.maxusers);
    FUZZ_CHECK(load >= 0);
    (void)PercentText(load);
    (void)LoadBarImage(load);
    (void)FlagImage(entry.area);
    (void)IsAllowed(entry.allow);
    for (int windows : {5, 10}) {
      const auto offered = OfferedProtocols(entry.connecttype, windows);
      FUZZ_CHECK(!offered.empty() && offered.front() == L"AUTO");
      (void)ChooseProtocol(offered, L"OVPN-UDP");
      for (const auto& protocol : offered) (void)ResolvePort(entry, protocol);
    }
    for (const auto& item : ConnectTypeItems(entry.connecttype)) {
      FUZZ_CHECK(!item.name.empty());
      (void)ResolvePortSpec(item.spec, draw++);
    }
  }
  // One entry read on its own, as the main window reads a row's labels.
  const ServerEntry single = ParseServerEntry(answer);
  FUZZ_CHECK(single.nasname == EntryValue(answer, L"nasname"));
  return 0;
}
