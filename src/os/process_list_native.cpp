#include "os/process_list.h"

namespace nimbrook::os {

ProcessList& SystemProcessList() {
  static FakeProcessList list;
  return list;
}

}  // namespace nimbrook::os
