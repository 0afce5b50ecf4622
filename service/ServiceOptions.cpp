#include "service/ServiceOptions.h"

#include <cstdlib>
#include <string>

namespace tavolen::service {

std::optional<ServiceOptions> ParseServiceOptions(const std::vector<std::string>& args, ServiceBuild build,
                                                  std::string* error) {
  const bool demonstration = build == ServiceBuild::Demonstration;
  ServiceOptions options;
  std::string ignored;
  std::string& message = error ? *error : ignored;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        message = arg + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    // A decimal number from `low` to `high`.
    auto number = [&](const std::string& text, unsigned long low, unsigned long high, uint32_t* into) {
      char* end = nullptr;
      const unsigned long n = std::strtoul(text.c_str(), &end, 10);
      if (text[0] < '0' || text[0] > '9' || *end != '\0' || n < low || n > high) {
        message = arg + " takes " + std::to_string(low) + " to " + std::to_string(high);
        return false;
      }
      *into = uint32_t(n);
      return true;
    };
    std::string text;
    if (arg == "--console") {
      options.console = true;
    } else if (demonstration && arg == "--simulate") {
      if (!value(options.simulate)) return std::nullopt;
    } else if (demonstration && arg == "--misbehave") {
      if (!value(text)) return std::nullopt;
      const std::optional<Misbehaviour> m = ParseMisbehaviour(text);
      if (!m) {
        message = "unknown misbehaviour: " + text;
        return std::nullopt;
      }
      options.misbehaviour = *m;
    } else if (demonstration && arg == "--device-log") {
      if (!value(options.deviceLog)) return std::nullopt;
    } else if (demonstration && arg == "--idle-ms") {
      if (!value(text) || !number(text, 1, 600000, &options.idleMs)) return std::nullopt;
    } else if (arg == "--max-instances") {
      if (!value(text) || !number(text, 1, 254, &options.maxInstances)) return std::nullopt;
    } else if (arg == "--ready-event") {
      if (!value(options.readyEvent)) return std::nullopt;
    } else if (arg == "--stop-event") {
      if (!value(options.stopEvent)) return std::nullopt;
    } else {
      message = "unknown option: " + arg;
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace tavolen::service
