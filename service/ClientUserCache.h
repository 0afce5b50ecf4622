#pragma once
// The users of the client processes the service served lately, so that a request's
// section is made for its client's user without asking the system about the client's
// process at every request (each question is several calls to the system).
//
// An entry holds its process open: while a handle to a process is held, its id cannot be
// given to another process, so a connection whose client has a cached id comes from that
// very process. The user is the client process's own (its token's), never that of a
// thread acting as someone else. Bounded: at most `capacity` processes are held, and to
// make room a process that has ended goes first, else the one served longest ago.
// Any thread.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tavolen::service {

class ClientUserCache {
 public:
  // A client process held open.
  class HeldProcess {
   public:
    virtual ~HeldProcess() = default;
    virtual bool Ended() const = 0;
  };
  // Opens the process with that id and reads its user (text form) into *userSid; null
  // when it cannot be opened or its user read.
  using OpenProcess = std::function<std::unique_ptr<HeldProcess>(uint32_t processId, std::string* userSid)>;

  explicit ClientUserCache(OpenProcess open, std::size_t capacity = 16)
      : open_(std::move(open)), capacity_(capacity) {}
  ClientUserCache(const ClientUserCache&) = delete;
  ClientUserCache& operator=(const ClientUserCache&) = delete;

  // The user of the client process with that id; empty when it cannot be learnt (then
  // nothing is kept, and the next request asks again).
  std::string UserOf(uint32_t processId);

  std::size_t HeldCount() const;

 private:
  struct Entry {
    uint32_t processId;
    std::string userSid;
    std::unique_ptr<HeldProcess> process;
    uint64_t lastUse;
  };

  const OpenProcess open_;
  const std::size_t capacity_;
  mutable std::mutex mutex_;  // guards everything below
  std::vector<Entry> entries_;
  uint64_t uses_ = 0;
};

}  // namespace tavolen::service
