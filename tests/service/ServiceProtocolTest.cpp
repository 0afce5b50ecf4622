// The service protocol's byte formats, the transfer-area rules, and the request/reply
// exchange over a stream that can stop short.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>

#include "control/device/ByteOrder.h"
#include "control/device/ServiceProtocol.h"
#include "control/device/ServiceServerTrust.h"

namespace tavolen {
namespace {

Bytes Join(const ServiceRequestMessage& message) {
  Bytes all(message.header.begin(), message.header.end());
  for (const Bytes& part : message.bodyParts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Body(const ServiceRequestMessage& message) {
  Bytes all = Join(message);
  return Bytes(all.begin() + kServiceRequestHeaderSize, all.end());
}

const char kName[] = "Global\\0000001A5F000001-LIBSEMBRID_SHARE";

TEST(ServiceProtocol, HeaderIsSixLittleEndianBytes) {
  const RequestHeaderBytes bytes = EncodeRequestHeader({6, 1, 0x01020304});
  EXPECT_EQ((RequestHeaderBytes{6, 1, 0x04, 0x03, 0x02, 0x01}), bytes);
  const ServiceRequestHeader back = DecodeRequestHeader(bytes);
  EXPECT_EQ(6, back.type);
  EXPECT_EQ(1, back.flag);
  EXPECT_EQ(0x01020304u, back.bodyLength);
}

TEST(ServiceProtocol, CreateSharedMemoryCarriesNameWithNul) {
  const ServiceRequestMessage message = EncodeCreateSharedMemory({0, 0x1234, kName});
  ASSERT_EQ(2u, message.bodyParts.size());
  const uint32_t nameLength = sizeof kName;  // 41 with the NUL
  EXPECT_EQ(41u, nameLength);
  const Bytes expectedFixed = {0, 0, 0, 0, 0x34, 0x12, 0, 0, uint8_t(nameLength), 0, 0, 0};
  EXPECT_EQ(expectedFixed, message.bodyParts[0]);
  EXPECT_EQ(Bytes(kName, kName + sizeof kName), message.bodyParts[1]);
  EXPECT_EQ((RequestHeaderBytes{6, 1, uint8_t(12 + nameLength), 0, 0, 0}), message.header);

  const Bytes body = Body(message);
  const auto decoded = DecodeCreateSharedMemory(body.data(), body.size());
  ASSERT_TRUE(decoded);
  EXPECT_EQ(kName, decoded->name);
  EXPECT_EQ(0x1234u, decoded->sizeLow);
  EXPECT_EQ(0u, decoded->sizeHigh);
}

TEST(ServiceProtocol, FinishHasNoBody) {
  const ServiceRequestMessage message = EncodeFinish();
  EXPECT_EQ((RequestHeaderBytes{0, 1, 0, 0, 0, 0}), message.header);
  EXPECT_EQ(0u, message.BodyLength());
}

TEST(ServiceProtocol, IoRequestCarriesNameWithoutNulAndPathWithNul) {
  const auto request = MakeServiceIoRequest(0x4D004, kName, "\\\\.\\PhysicalDrive3", 140, 140);
  ASSERT_TRUE(request);
  const ServiceRequestMessage message = EncodeServiceIo(*request);
  ASSERT_EQ(3u, message.bodyParts.size());
  const Bytes& fixed = message.bodyParts[0];
  ASSERT_EQ(36u, fixed.size());
  const Bytes expected = {
      0x04, 0xD0, 0x04, 0x00,  // code
      0, 0, 0, 0,              // size high
      24, 1, 0, 0,             // size low 280
      40, 0, 0, 0,             // name length without NUL
      19, 0, 0, 0,             // path length with NUL: 18 characters + 1
      0, 0, 0, 0,              // input offset
      140, 0, 0, 0,            // input length
      140, 0, 0, 0,            // output offset = input length
      140, 0, 0, 0,            // output length
  };
  EXPECT_EQ(expected, fixed);
  EXPECT_EQ(Bytes(kName, kName + 40), message.bodyParts[1]);
  const char path[] = "\\\\.\\PhysicalDrive3";
  EXPECT_EQ(Bytes(path, path + sizeof path), message.bodyParts[2]);
  EXPECT_EQ((RequestHeaderBytes{2, 0, 36 + 40 + 19, 0, 0, 0}), message.header);

  const Bytes body = Body(message);
  const auto decoded = DecodeServiceIo(body.data(), body.size());
  ASSERT_TRUE(decoded);
  EXPECT_EQ(kName, decoded->sectionName);
  EXPECT_EQ(path, decoded->devicePath);
  EXPECT_EQ(0x4D004u, decoded->code);
  EXPECT_EQ(280u, decoded->sectionSizeLow);
  EXPECT_EQ(140u, decoded->outputOffset);
  EXPECT_EQ(140u, decoded->outputLength);
}

TEST(ServiceProtocol, SectionSizeIsInPlusOutOrEight) {
  EXPECT_EQ(8u, TransferSectionSize(0, 0));
  EXPECT_EQ(1u, TransferSectionSize(1, 0));
  EXPECT_EQ(3u, TransferSectionSize(1, 2));
  EXPECT_EQ(0xFFFFFFFFu, TransferSectionSize(0xFFFFFFFEu, 1));
  EXPECT_FALSE(TransferSectionSize(0xFFFFFFFFu, 1));

  const auto empty = MakeServiceIoRequest(0x2D1080, "n", "p", 0, 0);
  ASSERT_TRUE(empty);
  EXPECT_EQ(8u, empty->sectionSizeLow);
  EXPECT_EQ(0u, empty->outputOffset);
  EXPECT_FALSE(MakeServiceIoRequest(1, "n", "p", 0x80000000u, 0x80000000u));
}

TEST(ServiceProtocol, ReplyStatusIsFirstTwoBytes) {
  ServiceReply reply;
  reply.status = 0x1234;
  reply.rest[0] = 0xAA;
  reply.rest[11] = 0xBB;
  const ReplyBytes bytes = EncodeServiceReply(reply);
  EXPECT_EQ(0x34, bytes[0]);
  EXPECT_EQ(0x12, bytes[1]);
  EXPECT_EQ(0xAA, bytes[2]);
  EXPECT_EQ(0xBB, bytes[13]);
  const ServiceReply back = DecodeServiceReply(bytes);
  EXPECT_EQ(0x1234, back.status);
  EXPECT_EQ(reply.rest, back.rest);
}

TEST(ServiceProtocol, TransferAreaNameFormatsAndCuts) {
  EXPECT_EQ("Global\\0000001A5F000001-LIBSEMBRID_SHARE", TransferAreaName(0x1A, 0x5F000001));
  EXPECT_EQ("Global\\FFFFFFFF00000000-LIBSEMBRID_SHARE", TransferAreaName(0xFFFFFFFFu, 0));
  EXPECT_EQ("Global\\ABCDEF0112345678-LIBSEMBRID_SHARE", TransferAreaName(0xabcdef01u, 0x12345678u, 41));
  EXPECT_EQ("Global\\ABCDEF0112345678-LIBSEMBRID_SHAR", TransferAreaName(0xabcdef01u, 0x12345678u, 40));
  EXPECT_EQ("Global\\ABCDEF0112345678-L", TransferAreaName(0xabcdef01u, 0x12345678u, 26));
  EXPECT_EQ("", TransferAreaName(0xabcdef01u, 0x12345678u, 25));
  EXPECT_EQ("", TransferAreaName(1, 1, 0));
}

// --- what a receiver accepts -------------------------------------------------------

TEST(ServiceProtocolDecode, CreateSharedMemoryRejectsMalformedBodies) {
  const Bytes good = Body(EncodeCreateSharedMemory({0, 4096, "Global\\x"}));
  ASSERT_TRUE(DecodeCreateSharedMemory(good.data(), good.size()));

  // Every truncation of a valid body is refused.
  for (std::size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(DecodeCreateSharedMemory(good.data(), n)) << n;
  // A byte beyond the stated name is refused.
  Bytes longer = good;
  longer.push_back('x');
  EXPECT_FALSE(DecodeCreateSharedMemory(longer.data(), longer.size()));

  Bytes noNul = good;
  noNul.back() = 'y';
  EXPECT_FALSE(DecodeCreateSharedMemory(noNul.data(), noNul.size()));
  Bytes innerNul = good;
  innerNul[12 + 2] = 0;
  EXPECT_FALSE(DecodeCreateSharedMemory(innerNul.data(), innerNul.size()));
  Bytes hugeNameLength = good;
  hugeNameLength[11] = 0x80;
  EXPECT_FALSE(DecodeCreateSharedMemory(hugeNameLength.data(), hugeNameLength.size()));

  const Bytes emptyName = Body(EncodeCreateSharedMemory({0, 4096, ""}));
  EXPECT_FALSE(DecodeCreateSharedMemory(emptyName.data(), emptyName.size()));
  const Bytes zeroSize = Body(EncodeCreateSharedMemory({0, 0, "a"}));
  EXPECT_FALSE(DecodeCreateSharedMemory(zeroSize.data(), zeroSize.size()));
  const Bytes highSize = Body(EncodeCreateSharedMemory({1, 8, "a"}));
  EXPECT_FALSE(DecodeCreateSharedMemory(highSize.data(), highSize.size()));
  const Bytes tooBig = Body(EncodeCreateSharedMemory({0, kMaxSectionSize + 1, "a"}));
  EXPECT_FALSE(DecodeCreateSharedMemory(tooBig.data(), tooBig.size()));
  const Bytes biggest = Body(EncodeCreateSharedMemory({0, kMaxSectionSize, "a"}));
  EXPECT_TRUE(DecodeCreateSharedMemory(biggest.data(), biggest.size()));
  const Bytes longName = Body(EncodeCreateSharedMemory({0, 8, std::string(kMaxSectionNameLength, 'n')}));
  EXPECT_FALSE(DecodeCreateSharedMemory(longName.data(), longName.size()));
  EXPECT_FALSE(DecodeCreateSharedMemory(nullptr, 20));
}

TEST(ServiceProtocolDecode, IoRequestRejectsMalformedBodies) {
  const Bytes good = Body(EncodeServiceIo(*MakeServiceIoRequest(7, "sec", "\\\\.\\C:", 4, 4)));
  ASSERT_TRUE(DecodeServiceIo(good.data(), good.size()));
  for (std::size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(DecodeServiceIo(good.data(), n)) << n;
  Bytes longer = good;
  longer.push_back(0);
  EXPECT_FALSE(DecodeServiceIo(longer.data(), longer.size()));

  auto withField = [&](std::size_t offset, uint32_t value) {
    Bytes b = good;
    PutLe32(&b.at(offset), value);
    return b;
  };
  // Name and path lengths that disagree with the body, or wrap when added.
  for (const Bytes& b : {withField(12, 4), withField(12, 0), withField(16, 1), withField(16, 0xFFFFFFFFu),
                         withField(12, 0xFFFFFFF0u)}) {
    EXPECT_FALSE(DecodeServiceIo(b.data(), b.size()));
  }
  Bytes pathWithoutNul = good;
  pathWithoutNul.back() = 'x';
  EXPECT_FALSE(DecodeServiceIo(pathWithoutNul.data(), pathWithoutNul.size()));
  Bytes nulInName = good;
  nulInName[36 + 1] = 0;
  EXPECT_FALSE(DecodeServiceIo(nulInName.data(), nulInName.size()));
  Bytes nulInPath = good;
  nulInPath[36 + 3 + 1] = 0;
  EXPECT_FALSE(DecodeServiceIo(nulInPath.data(), nulInPath.size()));
  const Bytes longPath = Body(EncodeServiceIo(*MakeServiceIoRequest(7, "s", std::string(kMaxDevicePathLength, 'p'), 0, 0)));
  EXPECT_FALSE(DecodeServiceIo(longPath.data(), longPath.size()));
}

TEST(ServiceProtocolDecode, LayoutMustLieInsideTheView) {
  ServiceIoRequest request = *MakeServiceIoRequest(7, "s", "p", 100, 60);
  auto layout = ValidateTransferLayout(request, 160);
  ASSERT_TRUE(layout);
  EXPECT_EQ(100u, layout->outputOffset);
  EXPECT_FALSE(ValidateTransferLayout(request, 159));

  // The request's own size fields do not matter, only the view.
  request.sectionSizeLow = 0xFFFFFFFFu;
  EXPECT_FALSE(ValidateTransferLayout(request, 100));

  // Offsets near the top of the range do not wrap into the view.
  request.inputOffset = 0xFFFFFFF0u;
  request.inputLength = 0x20;
  EXPECT_FALSE(ValidateTransferLayout(request, 4096));
  request.inputOffset = 0;
  request.inputLength = 0;
  request.outputOffset = 8;
  request.outputLength = 0xFFFFFFFCu;
  EXPECT_FALSE(ValidateTransferLayout(request, 4096));
  request.outputLength = 4088;
  EXPECT_TRUE(ValidateTransferLayout(request, 4096));
}

// --- one request over a stream -----------------------------------------------------

// Records what was written; accepts a set number of writes and serves canned replies.
class ScriptedStream : public ServiceStream {
 public:
  int writesAllowed = 1000;
  std::deque<Bytes> replies;
  std::vector<Bytes> writes;
  int reads = 0;

  bool WriteAll(const uint8_t* data, std::size_t length) override {
    if (writesAllowed-- <= 0) return false;
    writes.emplace_back(data, data + length);
    return true;
  }
  bool ReadAll(uint8_t* data, std::size_t length) override {
    ++reads;
    if (replies.empty() || replies.front().size() < length) return false;
    std::memcpy(data, replies.front().data(), length);
    replies.pop_front();
    return true;
  }
};

Bytes ReplyWithStatus(uint16_t status) {
  ServiceReply reply;
  reply.status = status;
  const ReplyBytes bytes = EncodeServiceReply(reply);
  return Bytes(bytes.begin(), bytes.end());
}

TEST(ServiceRequestExchange, WritesHeaderAndEveryPartAtOnceThenReadsReply) {
  ScriptedStream stream;
  stream.replies.push_back(ReplyWithStatus(0));
  const ServiceRequestMessage message = EncodeServiceIo(*MakeServiceIoRequest(1, "name", "path", 0, 0));
  EXPECT_EQ(kServiceStatusSuccess, SendServiceRequest(stream, message));
  ASSERT_EQ(1u, stream.writes.size());
  const Bytes& written = stream.writes[0];
  ASSERT_EQ(6u + 36u + 4u + 5u, written.size());
  EXPECT_EQ(Bytes(message.header.begin(), message.header.end()), Bytes(written.begin(), written.begin() + 6));
  EXPECT_EQ(message.bodyParts[0], Bytes(written.begin() + 6, written.begin() + 42));
  EXPECT_EQ(Bytes({'n', 'a', 'm', 'e', 'p', 'a', 't', 'h', 0}), Bytes(written.begin() + 42, written.end()));
  EXPECT_EQ(1, stream.reads);
}

TEST(ServiceRequestExchange, ReportsServiceStatusAndLocalFailures) {
  {
    ScriptedStream stream;
    stream.replies.push_back(ReplyWithStatus(0x0005));
    ServiceReply reply;
    EXPECT_EQ(5, SendServiceRequest(stream, EncodeFinish(), &reply));
    EXPECT_EQ(5, reply.status);
    EXPECT_EQ(1u, stream.writes.size());  // the finish request is its header alone
  }
  {
    ScriptedStream stream;
    stream.writesAllowed = 0;
    stream.replies.push_back(ReplyWithStatus(0));
    EXPECT_EQ(kServiceStatusWriteShort, SendServiceRequest(stream, EncodeCreateSharedMemory({0, 8, "x"})));
    EXPECT_EQ(0, stream.reads) << "no reply is read after a failed write";
  }
  {
    ScriptedStream stream;
    stream.replies.push_back(Bytes(13, 0));  // one byte short
    EXPECT_EQ(kServiceStatusReadShort, SendServiceRequest(stream, EncodeFinish()));
  }
  {
    ScriptedStream stream;  // the connection ends with no reply at all
    EXPECT_EQ(kServiceStatusReadShort, SendServiceRequest(stream, EncodeFinish()));
  }
}

// --- which server a request goes to ---------------------------------------------------

TEST(ServiceServerTrustTest, TheProductSendsOnlyToTheSystemOrTheRegisteredServiceTestsAlsoToTheirOwnAccount) {
  using T = ServiceServerTrust;
  const struct {
    ServiceServerFacts facts;
    bool product, ownAccount;
  } cases[] = {
      {{false, false, false}, false, false},  // someone else's server squatting the name
      {{true, false, false}, true, true},     // the installed service on Windows
      {{false, true, false}, true, true},     // the service's token unreadable, or under Wine
      {{false, false, true}, false, true},    // a stand-in in a console or on the test's threads
      {{true, true, true}, true, true},
  };
  for (const auto& c : cases) {
    const std::string what = std::to_string(c.facts.runsAsLocalSystem) + std::to_string(c.facts.isRegisteredService) +
                             std::to_string(c.facts.runsAsCaller);
    EXPECT_EQ(c.product, IsTrustedServiceServer(c.facts, T::LocalSystemOrRegistered)) << what;
    EXPECT_EQ(c.ownAccount, IsTrustedServiceServer(c.facts, T::AlsoOwnAccount)) << what;
  }
  EXPECT_EQ(T::AlsoOwnAccount, ServiceServerTrustFromVariable(u"own-account"));
  for (const char16_t* other : {static_cast<const char16_t*>(nullptr), u"", u"Own-Account", u"own-account ", u"any"}) {
    EXPECT_EQ(T::LocalSystemOrRegistered, ServiceServerTrustFromVariable(other));
  }
}

}  // namespace
}  // namespace tavolen
