#include "platform/win32/wmi.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/com_ptr.h"
#include "platform/win32/windows_api.h"
#include "platform/win32/windows_error.h"
#include "platform/win32/wmi_value.h"

#include <wbemidl.h>

namespace korvane::win32 {

namespace {

// How long one instance of a semi-synchronous query may take to arrive. The scripting
// interface waits without limit; a target that stops answering would then hold the
// scanner for ever, so a very generous bound stands in for "no limit".
constexpr long kNextObjectTimeoutMs = 10 * 60 * 1000;

constexpr wchar_t kFallbackNamespace[] = L"root\\cimv2";

// WMI's status codes as HRESULTs (the SDK declares them as an enumeration).
constexpr HRESULT Status(WBEMSTATUS status) { return static_cast<HRESULT>(static_cast<uint32_t>(status)); }

void RaiseIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw WindowsError(static_cast<int32_t>(hr));
}

// The scripting interface connects an empty namespace to the "Default Namespace" that
// the machine's WMI scripting settings name (root\cimv2 unless an administrator changed
// it).
std::wstring DefaultNamespace() {
  wchar_t value[256] = {};
  DWORD bytes = sizeof value - sizeof(wchar_t);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\WBEM\\Scripting",
                   L"Default Namespace", RRF_RT_REG_SZ, nullptr, value, &bytes) == ERROR_SUCCESS &&
      value[0] != L'\0') {
    return value;
  }
  return kFallbackNamespace;
}

// Calls through a proxy to another computer carry the caller's identity and may act
// for it there (impersonate), as the scripting interface's defaults do. On an object
// that is not a proxy (the local in-process provider) the call fails harmlessly.
void UseCallerIdentity(IUnknown* proxy) {
  CoSetProxyBlanket(proxy, RPC_C_AUTHN_DEFAULT, RPC_C_AUTHZ_DEFAULT, COLE_DEFAULT_PRINCIPAL,
                    RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
}

// The COM object that receives notification events. Nothing handles them: it accepts
// and drops every delivery, as an SWbemSink without event handlers does.
class DroppingSink final : public IWbemObjectSink {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IWbemObjectSink)) {
      *out = static_cast<IWbemObjectSink*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Indicate(LONG, IWbemClassObject**) override { return WBEM_S_NO_ERROR; }
  HRESULT STDMETHODCALLTYPE SetStatus(LONG, HRESULT, BSTR, IWbemClassObject*) override {
    return WBEM_S_NO_ERROR;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

class ComWmiSink : public WmiSink {
 public:
  ComWmiSink() : sink_(new DroppingSink) {
    // Deliveries from another computer come back through an unsecured apartment, so
    // that the target need not authenticate to the scanning account's computer. Where
    // that service is missing, the sink is handed over as it is.
    ComPtr<IUnsecuredApartment> apartment;
    ComPtr<IUnknown> stub;
    if (SUCCEEDED(CoCreateInstance(CLSID_UnsecuredApartment, nullptr, CLSCTX_LOCAL_SERVER,
                                   IID_IUnsecuredApartment, apartment.OutVoid())) &&
        SUCCEEDED(apartment->CreateObjectStub(sink_.get(), stub.Out()))) {
      ComPtr<IWbemObjectSink> stubSink;
      if (SUCCEEDED(stub->QueryInterface(IID_IWbemObjectSink, stubSink.OutVoid()))) {
        delivery_ = std::move(stubSink);
      }
    }
    if (!delivery_) delivery_ = sink_.Share();
  }

  void Cancel() override {
    for (const ComPtr<IWbemServices>& services : registeredWith_) {
      services->CancelAsyncCall(delivery_.get());
    }
  }

  IWbemObjectSink* Delivery() const { return delivery_.get(); }
  void RegisteredWith(const ComPtr<IWbemServices>& services) {
    registeredWith_.push_back(services.Share());
  }

 private:
  ComPtr<IWbemObjectSink> sink_;
  ComPtr<IWbemObjectSink> delivery_;
  std::vector<ComPtr<IWbemServices>> registeredWith_;
};

class ComWmiObject : public WmiObject {
 public:
  explicit ComWmiObject(ComPtr<IWbemClassObject> object) : object_(std::move(object)) {}

  std::optional<Variant> Property(std::string_view name) const override {
    const std::wstring wideName = ToWide(name);
    OwnedVariant value;
    const HRESULT hr = object_->Get(wideName.c_str(), 0, value.get(), nullptr, nullptr);
    // Absent (WBEM_E_NOT_FOUND) and unreadable alike: the property is not there to read.
    if (FAILED(hr)) return std::nullopt;
    return FromComVariant(*value);
  }

 private:
  ComPtr<IWbemClassObject> object_;
};

class ComWmiServices : public WmiServices {
 public:
  explicit ComWmiServices(ComPtr<IWbemServices> services) : services_(std::move(services)) {}

  std::vector<std::unique_ptr<WmiObject>> ExecQuery(const std::string& query,
                                                    const std::string& language,
                                                    int32_t flags) override {
    const Bstr wql(language);
    const Bstr text(query);
    ComPtr<IEnumWbemClassObject> instances;
    RaiseIfFailed(services_->ExecQuery(wql.get(), text.get(), flags, nullptr, instances.Out()));
    UseCallerIdentity(instances.get());

    std::vector<std::unique_ptr<WmiObject>> result;
    for (;;) {
      ComPtr<IWbemClassObject> object;
      ULONG returned = 0;
      const HRESULT hr = instances->Next(kNextObjectTimeoutMs, 1, object.Out(), &returned);
      if (hr == Status(WBEM_S_TIMEDOUT)) RaiseIfFailed(Status(WBEM_E_TIMED_OUT));
      RaiseIfFailed(hr);
      if (returned == 0 || !object) break;  // WBEM_S_FALSE: the set is exhausted
      result.push_back(std::make_unique<ComWmiObject>(std::move(object)));
    }
    return result;
  }

  void ExecNotificationQueryAsync(WmiSink& sink, const std::string& query,
                                  const std::string& language, int32_t flags) override {
    auto* ours = dynamic_cast<ComWmiSink*>(&sink);
    if (ours == nullptr) RaiseIfFailed(Status(WBEM_E_INVALID_PARAMETER));
    const Bstr wql(language);
    const Bstr text(query);
    RaiseIfFailed(services_->ExecNotificationQueryAsync(wql.get(), text.get(), flags, nullptr,
                                                        ours->Delivery()));
    ours->RegisteredWith(services_);
  }

 private:
  ComPtr<IWbemServices> services_;
};

class ComWmiLocator : public WmiLocator {
 public:
  ComWmiLocator() {
    RaiseIfFailed(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWbemLocator, locator_.OutVoid()));
  }

  std::unique_ptr<WmiServices> ConnectServer(const std::string& server) override {
    // An empty server is the local computer, as with the scripting interface.
    std::wstring path = L"\\\\";
    path += server.empty() ? std::wstring(L".") : ToWide(server);
    path += L"\\";
    path += DefaultNamespace();
    BSTR resource = SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
    ComPtr<IWbemServices> services;
    const HRESULT hr =
        locator_->ConnectServer(resource, nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.Out());
    SysFreeString(resource);
    RaiseIfFailed(hr);
    UseCallerIdentity(services.get());
    return std::make_unique<ComWmiServices>(std::move(services));
  }

 private:
  ComPtr<IWbemLocator> locator_;
};

class ComWmi : public WmiApi {
 public:
  std::unique_ptr<WmiLocator> CreateLocator() override { return std::make_unique<ComWmiLocator>(); }
  std::unique_ptr<WmiSink> CreateSink() override { return std::make_unique<ComWmiSink>(); }
};

}  // namespace

std::unique_ptr<WmiApi> MakeWmi() { return std::make_unique<ComWmi>(); }

}  // namespace korvane::win32
