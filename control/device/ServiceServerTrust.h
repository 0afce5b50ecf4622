#pragma once
// Which pipe server the service client sends its requests to. Pure; any thread.
namespace tavolen {

// Which pipe server a request is sent to. Anyone can put up a pipe of the service's name
// while the service is not running, and a request names a device path and carries
// device data: both connections of a request are checked before anything is sent.
enum class ServiceServerTrust {
  // The product: a server running as LocalSystem, or the very process the service
  // control manager runs the service in (it reports its process id). Only an
  // administrator can install or start a service of that name, so both mean the
  // installed service; the second also holds where the service's token cannot be read
  // by the caller, and under Wine, whose services do not run as LocalSystem (every
  // process of a prefix runs as its one user).
  LocalSystemOrRegistered,
  // Tests and demonstrations also accept a stand-in running as the caller's own user
  // (the stand-in on threads of the test, or started in a console).
  AlsoOwnAccount,
};

// What is known about a pipe's server process, and whether a request may go to it.
struct ServiceServerFacts {
  bool runsAsLocalSystem = false;
  bool isRegisteredService = false;  // the process the service control manager runs the service in
  bool runsAsCaller = false;         // the same user as the calling process
};
bool IsTrustedServiceServer(const ServiceServerFacts& facts, ServiceServerTrust trust);

// The environment variable that lets the demonstrations (scripts/run) use the stand-in
// they start in a console: exactly "own-account" gives AlsoOwnAccount; anything else,
// or no variable, the product's rule. A server running as the caller's own user could
// act on the caller's process anyway, and only that user sets the caller's environment:
// the variable gives nothing to another account.
// (The variable is TAVOLEN_SERVICE_SERVER: kServiceServerVariable in ServiceClient.h.)
ServiceServerTrust ServiceServerTrustFromVariable(const char16_t* value);  // null: not set

}  // namespace tavolen
