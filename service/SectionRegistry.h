#pragma once
// The sections the service holds, with the client process that asked for each. Shared
// by the sessions of one server and used from all their threads at once.
//
// A section is made on a client's word (request 6) and kept until the one device
// request that uses it (request 2) has found it; one no request has used within
// kUnusedSectionMs is let go at the next create (the product's client sends its
// request a moment after the section is made; a client that never does holds nothing
// for long). Lifetimes are not tied to connections: a client's request connection is
// opened before its section connection, but the server may learn of it only later. A device request may use only a section that
// its own process made and that is still held: a name another process made, or one the
// service never made, is not mapped. The memory held at once is capped, so that no
// client can make the service hold more than a few dozen of the largest transfers, and
// one process may hold only a quarter of that, so that a single process cannot keep
// every other client from being served for as long as its sections wait.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "service/RequestPolicy.h"
#include "service/SectionStore.h"

namespace tavolen::service {

// Section bytes the service holds at most: the largest transfer for 64 requests at once.
constexpr uint64_t kMaxHeldSectionBytes = 64ull * kMaxClientSection;
// Section bytes one client process holds at most: 16 of the largest transfers, far more
// than the product's few threads ever ask for at once.
constexpr uint64_t kMaxHeldSectionBytesPerProcess = kMaxHeldSectionBytes / 4;
// How long a section waits for its request (as long as the server waits for a client
// that has gone quiet).
constexpr uint64_t kUnusedSectionMs = 30000;

// Who asked for a section: the client's process (as the pipe reports it) and its user
// (text form; empty when it could not be learnt).
struct SectionOwner {
  uint32_t processId = 0;
  std::string userSid;
};

class SectionRegistry {
 public:
  enum class Created {
    Yes,
    OverCapacity,  // the section would take the service, or its process, past a cap
    Failed,        // the store could not make it (the name is taken, no memory)
  };
  // What a device request finds under a name.
  struct Found {
    bool held = false;                  // made by that process and still held
    std::unique_ptr<SectionView> view;  // null when held but it could not be mapped
  };

  // `nowMs` tells a monotonic time in milliseconds (called under the registry's lock).
  SectionRegistry(SectionStore& store, std::function<uint64_t()> nowMs, uint64_t capacity = kMaxHeldSectionBytes,
                  uint64_t perProcess = kMaxHeldSectionBytesPerProcess)
      : store_(store), nowMs_(std::move(nowMs)), capacity_(capacity), perProcess_(perProcess) {}
  SectionRegistry(const SectionRegistry&) = delete;
  SectionRegistry& operator=(const SectionRegistry&) = delete;

  // Makes and holds a section for the owner; never under a name still held (whoever
  // holds it: a section serves the request it was made for, and only that). Sections
  // left unused too long are let go first.
  Created Create(const SectionOwner& owner, const std::string& name, uint32_t size);

  // The section of that name when `processId` made it and it is still held, mapped; the
  // service lets go of it then (one section serves one request; the view keeps it
  // alive while the request is performed).
  Found TakeForRequest(uint32_t processId, const std::string& name);

  // Lets go of a section that process holds (nothing when it holds none of that name).
  void Release(uint32_t processId, const std::string& name);

  uint64_t HeldBytes() const;
  std::size_t HeldCount() const;

 private:
  struct Entry {
    uint32_t processId;
    uint32_t size;
    uint64_t madeAtMs;
    std::unique_ptr<HeldSection> section;
  };
  // Called with the mutex held; the section closes after the lock is released.
  std::unique_ptr<HeldSection> EraseLocked(std::map<std::string, Entry>::iterator it);

  SectionStore& store_;
  const std::function<uint64_t()> nowMs_;
  const uint64_t capacity_;
  const uint64_t perProcess_;
  mutable std::mutex mutex_;  // guards everything below; the store is called under it
  std::map<std::string, Entry> held_;
  uint64_t heldBytes_ = 0;
};

}  // namespace tavolen::service
