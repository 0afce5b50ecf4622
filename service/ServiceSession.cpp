#include "service/ServiceSession.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "control/device/ByteOrder.h"
#include "service/RequestPolicy.h"

namespace tavolen::service {

namespace {

// Bytes 2-5 of a reply carry the system error, 6-9 the bytes the device returned.
SessionAction Reply(uint16_t status, uint32_t error = 0, uint32_t bytesReturned = 0) {
  ServiceReply reply;
  reply.status = status;
  PutLe32(&reply.rest[0], error);
  PutLe32(&reply.rest[4], bytesReturned);
  SessionAction action;
  action.reply = EncodeServiceReply(reply);
  return action;
}

SessionAction CloseConnection() {
  SessionAction action;
  action.kind = SessionAction::Kind::Close;
  return action;
}

}  // namespace

std::optional<Misbehaviour> ParseMisbehaviour(std::string_view name) {
  if (name == "none") return Misbehaviour::None;
  if (name == "refuse-finish") return Misbehaviour::RefuseFinish;
  if (name == "fail-control") return Misbehaviour::FailDeviceControl;
  if (name == "close-before-reply") return Misbehaviour::CloseBeforeReply;
  if (name == "drop-waiting") return Misbehaviour::DropWaitingConnections;
  if (name == "undersize-section") return Misbehaviour::UndersizeSection;
  if (name == "never-answer") return Misbehaviour::NeverAnswer;
  return std::nullopt;
}

ServiceSession::ServiceSession(SectionRegistry& sections, DeviceBackend& devices, Misbehaviour misbehaviour,
                               SessionClient client)
    : sections_(sections), devices_(devices), misbehaviour_(misbehaviour), client_(std::move(client)) {}

ServiceSession::~ServiceSession() {
  // A connection that ends between its section and the finish takes the section along.
  if (!unfinished_.empty()) sections_.Release(client_.processId, unfinished_);
}

void ServiceSession::Log(const std::string& what) const {
  if (client_.log) {
    char pid[16];
    std::snprintf(pid, sizeof pid, "%lu", static_cast<unsigned long>(client_.processId));
    client_.log("refused for process " + std::string(pid) + ": " + what);
  }
}

SessionAction ServiceSession::Refuse(const std::string& what) {
  Log(what);
  SessionAction action = Reply(kStatusForbidden);
  action.kind = SessionAction::Kind::ReplyThenClose;
  return action;
}

SessionAction ServiceSession::Handle(const ServiceRequestHeader& header, const uint8_t* body, std::size_t length) {
  if (length != header.bodyLength || !AcceptBodyLength(header.bodyLength)) return CloseConnection();
  switch (header.type) {
    case uint8_t(ServiceRequestType::CreateSharedMemory):
      if (header.flag != 1) return Reply(kStatusBadRequest);
      return CreateSection(body, length);
    case uint8_t(ServiceRequestType::Finish):
      if (header.flag != 1) return Reply(kStatusBadRequest);
      return Finish(length);
    case uint8_t(ServiceRequestType::DeviceControl):
      if (header.flag != 0) return Reply(kStatusBadRequest);
      return DeviceControl(body, length);
    default:
      return Reply(kStatusBadRequest);
  }
}

SessionAction ServiceSession::CreateSection(const uint8_t* body, std::size_t length) {
  const std::optional<CreateSharedMemoryRequest> request = DecodeCreateSharedMemory(body, length);
  if (!request) return Reply(kStatusBadRequest);
  if (!IsClientSectionName(request->name)) return Refuse("section name not of the client's form (\"" + request->name + "\")");
  if (request->sizeHigh != 0 || request->sizeLow > kMaxClientSection) {
    return Refuse("section larger than any transfer (" + std::to_string(request->sizeLow) + " bytes)");
  }
  // A second request 6 before the finish replaces the first section.
  if (!unfinished_.empty()) sections_.Release(client_.processId, std::exchange(unfinished_, std::string()));
  uint32_t size = request->sizeLow;
  if (misbehaviour_ == Misbehaviour::UndersizeSection) size = std::min(size, kUndersizedSection);
  if (!userSid_) userSid_ = client_.user ? client_.user() : std::string();
  switch (sections_.Create({client_.processId, *userSid_}, request->name, size)) {
    case SectionRegistry::Created::Yes: break;
    case SectionRegistry::Created::OverCapacity:
      Log("section memory cap reached (" + std::to_string(size) + " bytes asked)");
      return Reply(kStatusSectionFailed);
    case SectionRegistry::Created::Failed: return Reply(kStatusSectionFailed);
  }
  unfinished_ = request->name;
  SessionAction action = Reply(kServiceStatusSuccess);
  if (misbehaviour_ == Misbehaviour::DropWaitingConnections) action.kind = SessionAction::Kind::DropOthersThenReply;
  return action;
}

SessionAction ServiceSession::Finish(std::size_t length) {
  // The client has its own handle now. The service keeps the section for the device
  // request that follows on the client's other connection, and lets go of it there; a
  // finish answered with a failure ends the request, and the section with it.
  const std::string name = std::exchange(unfinished_, std::string());
  uint16_t status = kServiceStatusSuccess;
  if (length != 0) {
    status = kStatusBadRequest;
  } else if (misbehaviour_ == Misbehaviour::RefuseFinish) {
    status = kStatusRefused;
  }
  if (status != kServiceStatusSuccess && !name.empty()) sections_.Release(client_.processId, name);
  return Reply(status);
}

SessionAction ServiceSession::DeviceControl(const uint8_t* body, std::size_t length) {
  const std::optional<ServiceIoRequest> request = DecodeServiceIo(body, length);
  if (!request) return Reply(kStatusBadRequest);
  auto describe = [&](Refusal refusal) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(request->code));
    return std::string(RefusalText(refusal)) + " (control " + code + " on \"" + request->devicePath + "\")";
  };
  if (!IsAllowedControlCode(request->code)) return Refuse(describe(Refusal::ControlCode));
  if (!IsAllowedDevicePath(request->devicePath)) return Refuse(describe(Refusal::DevicePath));
  if (misbehaviour_ == Misbehaviour::CloseBeforeReply) return CloseConnection();
  if (misbehaviour_ == Misbehaviour::NeverAnswer) {
    SessionAction stall;
    stall.kind = SessionAction::Kind::Stall;
    return stall;
  }

  uint32_t error = 0, returned = 0;
  bool ok = false;
  {
    // The view is unmapped before the reply goes out.
    const SectionRegistry::Found found = sections_.TakeForRequest(client_.processId, request->sectionName);
    if (!found.held) return Refuse("section not made for this process (\"" + request->sectionName + "\")");
    const std::unique_ptr<SectionView>& view = found.view;
    if (!view) return Reply(kStatusSectionFailed);
    const std::optional<TransferLayout> layout = ValidateTransferLayout(*request, view->Size());
    if (!layout) return Reply(kStatusOutsideSection);
    uint8_t* base = view->Data();
    // The client's process can write the section at any time: the request is checked
    // and performed on the service's own copy, and only the answer goes back.
    std::vector<uint8_t> input(base + layout->inputOffset, base + layout->inputOffset + layout->inputLength);
    std::vector<uint8_t> output(layout->outputLength);
    const Refusal refusal = CheckControlContents(request->code, input.data(), input.size(), output.size());
    if (refusal != Refusal::None) return Refuse(describe(refusal));
    ok = devices_.Control(request->devicePath, request->code, input.data(), layout->inputLength, output.data(),
                          layout->outputLength, &returned, &error);
    if (!output.empty()) std::memcpy(base + layout->outputOffset, output.data(), output.size());
  }
  if (!ok) return Reply(kStatusDeviceFailed, error, 0);
  if (misbehaviour_ == Misbehaviour::FailDeviceControl) return Reply(kStatusRefused, 0, returned);
  return Reply(kServiceStatusSuccess, 0, returned);
}

}  // namespace tavolen::service
