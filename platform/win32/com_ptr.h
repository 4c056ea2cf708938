// Owning handles for COM: an interface pointer released exactly once, a BSTR freed
// exactly once, a VARIANT cleared exactly once. Move-only, so ownership is never shared
// by accident.
#pragma once

#include <string_view>
#include <utility>

#include "platform/win32/windows_api.h"
#include "platform/win32/text.h"

#include <oleauto.h>

namespace korvane::win32 {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* owned) : p_(owned) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }

  // A second owner of the same object (AddRef).
  ComPtr Share() const {
    if (p_ != nullptr) p_->AddRef();
    return ComPtr(p_);
  }

  void Reset() {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held and hands out the slot.
  T** Out() {
    Reset();
    return &p_;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(std::string_view utf8) {
    const std::wstring wide = ToWide(utf8);
    b_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }
  BSTR get() const { return b_; }

 private:
  BSTR b_ = nullptr;
};

class OwnedVariant {
 public:
  OwnedVariant() { VariantInit(&v_); }
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;
  ~OwnedVariant() { VariantClear(&v_); }
  VARIANT* get() { return &v_; }
  const VARIANT& operator*() const { return v_; }

 private:
  VARIANT v_;
};

}  // namespace korvane::win32
