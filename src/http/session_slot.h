// A caller's session slot: empty at first, filled by the first PostForm or DownloadToFile and reused by
// later ones, emptied by ReleaseSession (or when the slot itself goes away). A slot belongs to one
// caller and one thread.
#pragma once

#include <memory>

#include "http/http_transport.h"

namespace nimbrook {

class SessionSlot {
 public:
  SessionSlot() = default;
  SessionSlot(SessionSlot&&) = default;
  SessionSlot& operator=(SessionSlot&&) = default;
  SessionSlot(const SessionSlot&) = delete;
  SessionSlot& operator=(const SessionSlot&) = delete;

  bool Empty() const { return session_ == nullptr; }
  TransportSession* Get() const { return session_.get(); }
  void Reset(std::unique_ptr<TransportSession> session = nullptr) { session_ = std::move(session); }

 private:
  std::unique_ptr<TransportSession> session_;
};

}  // namespace nimbrook
