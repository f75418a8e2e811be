// Delivering resources, with or without faults.
#include "delivery.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "connection_abort.h"

namespace nimbrook::service {
namespace {

constexpr std::size_t kPieceSize = 64 * 1024;

// Drops the connection without an answer; when that is impossible the request ends with 503.
void DropRequest(const httplib::Request& req, httplib::Response& res) {
  if (AbortConnection(req.remote_addr, req.remote_port, req.local_port)) {
    res.status = 499;  // never sent: the connection is gone; the request log shows it
    return;
  }
  res.status = 503;
  res.set_content("request dropped\n", kTextType);
}

// Sends bytes [offset, limit) of the resource through the sink, in pieces.
bool SendPiece(const Resource& resource, std::uint64_t offset, std::uint64_t limit, httplib::DataSink& sink,
               const StopSignal& stop) {
  if (stop.Raised() || offset >= limit) return false;
  const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kPieceSize, limit - offset));
  std::string piece;
  if (!resource.read(offset, count, piece) || piece.size() != count) return false;
  return sink.write(piece.data(), piece.size());
}

// Counts a request among the held ones for its lifetime; refused when too many are held already.
class HeldRequest {
 public:
  HeldRequest(std::atomic<int>& held, int maxHeld) : held_(held), admitted_(held.fetch_add(1) < maxHeld) {}
  ~HeldRequest() { held_.fetch_sub(1); }
  HeldRequest(const HeldRequest&) = delete;
  HeldRequest& operator=(const HeldRequest&) = delete;
  bool Admitted() const { return admitted_; }

 private:
  std::atomic<int>& held_;
  bool admitted_;
};

void RefuseHold(httplib::Response& res) {
  res.status = 503;
  res.set_content("too many stalled or delayed requests at once\n", kTextType);
}

}  // namespace

void Deliver(const httplib::Request& req, httplib::Response& res, const Resource& resource, const Fault& fault,
             const DeliveryContext& context) {
  const StopSignal& stop = context.stop;
  if (fault.Any()) res.set_header(kFaultHeader, fault.Describe());
  if (fault.delayMs > 0 || fault.mode == FaultMode::Stall) {
    HeldRequest hold(context.held, context.maxHeld);
    if (!hold.Admitted()) {
      RefuseHold(res);
      return;
    }
    const auto wait = fault.delayMs > 0 ? std::chrono::milliseconds(fault.delayMs) : std::chrono::milliseconds(0);
    if (stop.WaitFor(wait)) {
      DropRequest(req, res);
      return;
    }
    if (fault.mode == FaultMode::Stall) {
      stop.WaitFor(std::chrono::seconds(context.stallSeconds));
      DropRequest(req, res);
      return;
    }
  }
  for (const auto& [name, value] : resource.headers) res.set_header(name, value);
  res.status = resource.status;

  switch (fault.mode) {
    case FaultMode::NotFound:
      res.status = 404;
      res.set_content("404 Not Found\n", kTextType);
      return;
    case FaultMode::Status:
      res.status = fault.status;
      res.set_content(std::to_string(fault.status) + " answered by fault switch\n", kTextType);
      return;
    case FaultMode::Empty:
      res.status = 200;
      res.set_content(std::string(), resource.contentType);
      return;
    case FaultMode::Stall:  // answered above
      return;
    case FaultMode::Chunked: {
      // No length is announced: the client reads to the final chunk.
      const Resource copy = resource;
      res.set_chunked_content_provider(resource.contentType,
                                       [copy, &stop](std::size_t offset, httplib::DataSink& sink) {
                                         if (offset >= copy.length) {
                                           sink.done();
                                           return true;
                                         }
                                         return SendPiece(copy, offset, copy.length, sink, stop);
                                       });
      return;
    }
    case FaultMode::Close: {
      // The full length is announced, about half is sent, then the provider fails and the
      // library closes the connection.
      const Resource copy = resource;
      const std::uint64_t half = resource.length / 2;
      if (resource.length == 0) {
        res.set_content(std::string(), resource.contentType);
        return;
      }
      res.set_content_provider(static_cast<std::size_t>(resource.length), resource.contentType,
                               [copy, half, &stop](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                 return SendPiece(copy, offset, half, sink, stop);
                               });
      return;
    }
    case FaultMode::None:
      break;
  }

  if (resource.length == 0) {
    res.set_content(std::string(), resource.contentType);
    return;
  }
  const Resource copy = resource;
  res.set_content_provider(static_cast<std::size_t>(resource.length), resource.contentType,
                           [copy, &stop](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                             return SendPiece(copy, offset, copy.length, sink, stop);
                           });
}

}  // namespace nimbrook::service
