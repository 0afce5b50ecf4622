#include "service/ServiceSession.h"

#include <algorithm>

#include "control/device/ByteOrder.h"

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
  return std::nullopt;
}

ServiceSession::ServiceSession(SectionStore& sections, DeviceBackend& devices, Misbehaviour misbehaviour)
    : sections_(sections), devices_(devices), misbehaviour_(misbehaviour) {}

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
  held_.reset();  // a second request 6 before the finish replaces the first section
  uint32_t size = request->sizeLow;
  if (misbehaviour_ == Misbehaviour::UndersizeSection) size = std::min(size, kUndersizedSection);
  held_ = sections_.Create(request->name, size);
  if (!held_) return Reply(kStatusSectionFailed);
  SessionAction action = Reply(kServiceStatusSuccess);
  if (misbehaviour_ == Misbehaviour::DropWaitingConnections) action.kind = SessionAction::Kind::DropOthersThenReply;
  return action;
}

SessionAction ServiceSession::Finish(std::size_t length) {
  // The client has its own handle now: ours goes, so the section dies with the
  // client's and its name is free again once the request is over.
  held_.reset();
  if (length != 0) return Reply(kStatusBadRequest);
  if (misbehaviour_ == Misbehaviour::RefuseFinish) return Reply(kStatusRefused);
  return Reply(kServiceStatusSuccess);
}

SessionAction ServiceSession::DeviceControl(const uint8_t* body, std::size_t length) {
  const std::optional<ServiceIoRequest> request = DecodeServiceIo(body, length);
  if (!request) return Reply(kStatusBadRequest);
  if (misbehaviour_ == Misbehaviour::CloseBeforeReply) return CloseConnection();

  uint32_t error = 0, returned = 0;
  bool ok = false;
  {
    // The view is unmapped before the reply goes out.
    const std::unique_ptr<SectionView> view = sections_.Open(request->sectionName);
    if (!view) return Reply(kStatusSectionFailed);
    const std::optional<TransferLayout> layout = ValidateTransferLayout(*request, view->Size());
    if (!layout) return Reply(kStatusOutsideSection);
    uint8_t* base = view->Data();
    // The device reads its input from and writes its output into the section itself.
    ok = devices_.Control(request->devicePath, request->code, base + layout->inputOffset, layout->inputLength,
                          base + layout->outputOffset, layout->outputLength, &returned, &error);
  }
  if (!ok) return Reply(kStatusDeviceFailed, error, 0);
  if (misbehaviour_ == Misbehaviour::FailDeviceControl) return Reply(kStatusRefused, 0, returned);
  return Reply(kServiceStatusSuccess, 0, returned);
}

}  // namespace tavolen::service
