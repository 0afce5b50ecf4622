#include "service/ServiceOptions.h"

#include <cstdlib>

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
    } else if (arg == "--max-instances") {
      if (!value(text)) return std::nullopt;
      char* end = nullptr;
      const unsigned long n = std::strtoul(text.c_str(), &end, 10);
      if (*end != '\0' || n < 1 || n > 254) {
        message = "--max-instances takes 1 to 254";
        return std::nullopt;
      }
      options.maxInstances = uint32_t(n);
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
