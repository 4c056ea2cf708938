#include "lab/simulator/lab.h"

#include "lab/simulator/lab_directory.h"
#include "lab/simulator/lab_services.h"

namespace korvane {

namespace {

// Owns the directory the services answer from; it is declared first so that it outlives
// them.
class LabNetwork : public TargetNetwork {
 public:
  explicit LabNetwork(std::unique_ptr<lab::LabDirectory> directory)
      : directory_(std::move(directory)),
        echo_(lab::MakeLabEcho(*directory_)),
        wmi_(lab::MakeLabWmi(*directory_)),
        registry_(lab::MakeLabRegistry(*directory_)),
        services_(lab::MakeLabServiceManager(*directory_)),
        workstation_(lab::MakeLabWorkstation(*directory_)),
        shares_(lab::MakeLabShares(*directory_)) {}

  EchoService& Echo() override { return *echo_; }
  WmiApi& Wmi() override { return *wmi_; }
  RemoteRegistry& Registry() override { return *registry_; }
  ServiceControlManager& Services() override { return *services_; }
  WorkstationService& Workstation() override { return *workstation_; }
  DiskShares& Shares() override { return *shares_; }

 private:
  std::unique_ptr<lab::LabDirectory> directory_;
  std::unique_ptr<EchoService> echo_;
  std::unique_ptr<WmiApi> wmi_;
  std::unique_ptr<RemoteRegistry> registry_;
  std::unique_ptr<ServiceControlManager> services_;
  std::unique_ptr<WorkstationService> workstation_;
  std::unique_ptr<DiskShares> shares_;
};

}  // namespace

std::unique_ptr<TargetNetwork> OpenLab(const std::string& directory, std::ostream& diagnostics) {
  try {
    return std::make_unique<LabNetwork>(std::make_unique<lab::LabDirectory>(directory, diagnostics));
  } catch (const std::exception& e) {
    diagnostics << "lab: " << directory << ": cannot be opened: " << e.what()
                << "; no computer answers\n";
  }
  return std::make_unique<LabNetwork>(std::make_unique<lab::LabDirectory>(diagnostics));
}

}  // namespace korvane
