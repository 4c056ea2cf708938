// Echo, name resolution and WMI of the lab.
#include <chrono>
#include <sstream>
#include <thread>

#include "lab/simulator/lab_services.h"
#include "platform/runtime_error.h"

namespace korvane::lab {

namespace {

constexpr uint32_t kIpRequestTimedOut = 11010;
constexpr int32_t kRpcServerUnavailable = static_cast<int32_t>(0x800706BA);
constexpr int32_t kWbemInvalidQuery = static_cast<int32_t>(0x80041017);
constexpr int32_t kWbemInvalidQueryType = static_cast<int32_t>(0x80041018);

// ---- echo ----------------------------------------------------------------------------

class LabEchoHandle : public EchoHandle {
 public:
  LabEchoHandle(LabDirectory& directory, const LabComputer* resolved)
      : directory_(directory), resolved_(resolved) {}

  // A silent computer answers at once with the timed-out status: the lab does not make
  // every scan of an unreachable computer wait two seconds (latencyMs.echo can).
  EchoReply SendEcho(IPv4 destination, std::string_view, uint8_t, uint32_t) override {
    EchoReply reply;
    if (destination == IPv4{0, 0, 0, 0}) {
      reply.status = kIpRequestTimedOut;
      return reply;
    }
    // Should two computers share an address, the one whose name was just resolved is
    // the one being probed.
    const LabComputer* computer = resolved_ != nullptr && resolved_->address == destination
                                      ? resolved_
                                      : directory_.FindByAddress(destination);
    if (computer != nullptr) SimulateLatency(computer->latency.echo);
    if (computer == nullptr || !computer->echo.answers) {
      reply.status = kIpRequestTimedOut;
      return reply;
    }
    reply.replies = 1;
    reply.status = computer->echo.status;
    reply.source = computer->echo.from.value_or(computer->address);
    return reply;
  }

 private:
  LabDirectory& directory_;
  const LabComputer* resolved_;
};

class LabEcho : public EchoService {
 public:
  explicit LabEcho(LabDirectory& directory) : directory_(directory) {}

  void StartSockets() override {}
  void StopSockets() override {}

  std::optional<IPv4> Resolve(const std::string& name) override {
    lastResolved_ = directory_.Find(name);
    if (lastResolved_ != nullptr) return lastResolved_->address;
    // A resolver hands a dotted address back as it is, whoever has it.
    return ParseAddress(name);
  }

  // Whether the handle can be made is a property of the computer just resolved.
  std::unique_ptr<EchoHandle> CreateEchoHandle() override {
    if (lastResolved_ != nullptr && !lastResolved_->echo.handleAvailable) return nullptr;
    return std::make_unique<LabEchoHandle>(directory_, lastResolved_);
  }

 private:
  LabDirectory& directory_;
  const LabComputer* lastResolved_ = nullptr;
};

// ---- WMI -----------------------------------------------------------------------------

class LabWmiObject : public WmiObject {
 public:
  explicit LabWmiObject(const WmiInstance& instance) : instance_(instance) {}

  std::optional<Variant> Property(std::string_view name) const override {
    const std::string folded = FoldCase(name);
    for (const auto& [property, value] : instance_.properties) {
      if (FoldCase(property) == folded) return value;
    }
    return std::nullopt;
  }

 private:
  const WmiInstance& instance_;
};

// The class a "Select ... From <class> ..." query asks for; empty when there is none.
std::string QueriedClass(const std::string& query) {
  std::istringstream words(query);
  std::string word;
  while (words >> word) {
    if (FoldCase(word) == "from") {
      std::string wmiClass;
      words >> wmiClass;
      return wmiClass;
    }
  }
  return {};
}

class LabWmiServices : public WmiServices {
 public:
  explicit LabWmiServices(const LabComputer& computer) : computer_(computer) {}

  std::vector<std::unique_ptr<WmiObject>> ExecQuery(const std::string& query,
                                                    const std::string& language,
                                                    int32_t) override {
    SimulateLatency(computer_.latency.wmiQuery);
    if (FoldCase(language) != "wql") throw RuntimeError(kWbemInvalidQueryType, "Invalid query language");
    const std::string wmiClass = FoldCase(QueriedClass(query));
    if (wmiClass.empty()) throw RuntimeError(kWbemInvalidQuery, "Invalid query");
    const WmiConfig& wmi = *computer_.wmi;
    for (const auto& [name, error] : wmi.queryErrors) {
      if (FoldCase(name) == wmiClass) throw RuntimeError(error.number, error.description);
    }
    std::vector<std::unique_ptr<WmiObject>> objects;
    for (const auto& c : wmi.classes) {
      if (FoldCase(c.name) != wmiClass) continue;
      for (const auto& instance : c.instances) objects.push_back(std::make_unique<LabWmiObject>(instance));
    }
    return objects;
  }

  // Nothing in the lab changes while a scan runs, so no event ever arrives.
  void ExecNotificationQueryAsync(WmiSink&, const std::string&, const std::string&, int32_t) override {}

 private:
  const LabComputer& computer_;
};

class LabWmiLocator : public WmiLocator {
 public:
  explicit LabWmiLocator(LabDirectory& directory) : directory_(directory) {}

  std::unique_ptr<WmiServices> ConnectServer(const std::string& server) override {
    const LabComputer* computer = directory_.Find(server);
    if (computer != nullptr) SimulateLatency(computer->latency.wmiConnect);
    if (computer == nullptr || !computer->wmi) {
      throw RuntimeError(kRpcServerUnavailable, "The RPC server is unavailable.");
    }
    if (const auto& refused = computer->wmi->connectError) {
      throw RuntimeError(refused->number, refused->description);
    }
    return std::make_unique<LabWmiServices>(*computer);
  }

 private:
  LabDirectory& directory_;
};

class LabSink : public WmiSink {
 public:
  void Cancel() override {}
};

class LabWmi : public WmiApi {
 public:
  explicit LabWmi(LabDirectory& directory) : directory_(directory) {}
  std::unique_ptr<WmiLocator> CreateLocator() override {
    return std::make_unique<LabWmiLocator>(directory_);
  }
  std::unique_ptr<WmiSink> CreateSink() override { return std::make_unique<LabSink>(); }

 private:
  LabDirectory& directory_;
};

}  // namespace

void SimulateLatency(uint32_t milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::unique_ptr<EchoService> MakeLabEcho(LabDirectory& directory) {
  return std::make_unique<LabEcho>(directory);
}

std::unique_ptr<WmiApi> MakeLabWmi(LabDirectory& directory) {
  return std::make_unique<LabWmi>(directory);
}

}  // namespace korvane::lab
