#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "service/ClientUserCache.h"

namespace tavolen::service {
namespace {

// Made-up processes: their users, whether each has ended, and who was opened.
struct Processes {
  std::map<uint32_t, std::string> users;
  std::map<uint32_t, bool> ended;
  std::vector<uint32_t> opened;

  struct Held : ClientUserCache::HeldProcess {
    Held(Processes& processes, uint32_t processId) : all(processes), id(processId) {}
    bool Ended() const override { return all.ended[id]; }
    Processes& all;
    uint32_t id;
  };
  ClientUserCache::OpenProcess Opener() {
    return [this](uint32_t id, std::string* user) -> std::unique_ptr<ClientUserCache::HeldProcess> {
      opened.push_back(id);
      const auto found = users.find(id);
      if (found == users.end()) return nullptr;
      *user = found->second;
      return std::make_unique<Held>(*this, id);
    };
  }
};

TEST(ClientUserCache, AProcessIsAskedAboutOnceWhileItIsHeld) {
  Processes processes;
  processes.users = {{10, "S-1-5-21-1-1001"}, {11, "S-1-5-21-1-1002"}, {12, ""}};
  ClientUserCache cache(processes.Opener());
  EXPECT_EQ("S-1-5-21-1-1001", cache.UserOf(10));
  EXPECT_EQ("S-1-5-21-1-1002", cache.UserOf(11));
  EXPECT_EQ("S-1-5-21-1-1001", cache.UserOf(10));
  EXPECT_EQ("S-1-5-21-1-1002", cache.UserOf(11));
  EXPECT_EQ((std::vector<uint32_t>{10, 11}), processes.opened);

  // A process that cannot be opened, or whose user is unknown, is not kept: asked again.
  EXPECT_EQ("", cache.UserOf(99));
  EXPECT_EQ("", cache.UserOf(12));
  EXPECT_EQ("", cache.UserOf(99));
  EXPECT_EQ((std::vector<uint32_t>{10, 11, 99, 12, 99}), processes.opened);
  EXPECT_EQ(2u, cache.HeldCount());
}

TEST(ClientUserCache, WhenFullAnEndedProcessGoesFirstElseTheOneServedLongestAgo) {
  Processes processes;
  for (uint32_t id = 1; id <= 5; ++id) processes.users[id] = "S-1-5-21-1-" + std::to_string(1000 + id);
  ClientUserCache cache(processes.Opener(), 3);
  cache.UserOf(1);
  cache.UserOf(2);
  cache.UserOf(3);
  cache.UserOf(1);  // 2 is now the one served longest ago
  processes.ended[3] = true;
  EXPECT_EQ("S-1-5-21-1-1004", cache.UserOf(4));  // takes the place of 3, which ended
  EXPECT_EQ(3u, cache.HeldCount());
  processes.opened.clear();
  cache.UserOf(1);
  cache.UserOf(2);
  EXPECT_TRUE(processes.opened.empty()) << "1 and 2 are still held";
  EXPECT_EQ("S-1-5-21-1-1005", cache.UserOf(5));  // none ended: 4 was served longest ago
  cache.UserOf(4);
  EXPECT_EQ((std::vector<uint32_t>{5, 4}), processes.opened);
  EXPECT_EQ(3u, cache.HeldCount());
}

}  // namespace
}  // namespace tavolen::service
