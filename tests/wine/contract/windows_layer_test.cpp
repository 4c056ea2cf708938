// The Windows layer's own rules, beside the target contract: the argument text, COM
// values, error texts, and the process services and console channel of the running
// system.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/platform.h"
#include "platform/runtime_error.h"
#include "platform/win32/process.h"
#include "platform/win32/text.h"
#include "platform/win32/windows_api.h"
#include "platform/win32/windows_error.h"
#include "platform/win32/wmi_value.h"

#include <oleauto.h>

namespace korvane::win32 {
namespace {

TEST(WindowsLayer, ArgumentTextDropsTheProgram) {
  EXPECT_EQ(ArgumentText(L"\"C:\\Program Files\\k.exe\" 12,PC01,SRV,"), L"12,PC01,SRV,");
  EXPECT_EQ(ArgumentText(L"k.exe  12, PC01,SRV,-u"), L"12, PC01,SRV,-u");
  EXPECT_EQ(ArgumentText(L"k.exe"), L"");
  EXPECT_EQ(ArgumentText(L"\"k.exe\"\t1,2,3,"), L"1,2,3,");
}

TEST(WindowsLayer, ComValuesBecomeVariants) {
  const auto read = [](VARTYPE type, const auto& fill) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    fill(v);
    const Variant value = FromComVariant(v);
    if (type == VT_BSTR) VariantClear(&v);
    return value;
  };
  const auto nothing = [](VARIANT&) {};
  EXPECT_TRUE(read(VT_NULL, nothing).IsNull());
  EXPECT_EQ(read(VT_I4, [](VARIANT& v) { v.lVal = -7; }), Variant(int32_t{-7}));
  EXPECT_EQ(read(VT_UI4, [](VARIANT& v) { v.ulVal = 3000000000u; }), Variant(3000000000.0))
      << "beyond Long: a Double";
  EXPECT_EQ(read(VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; }), Variant::Boolean(true));
  EXPECT_EQ(read(VT_BSTR, [](VARIANT& v) { v.bstrVal = SysAllocString(L"Caf\u00e9"); }),
            Variant("Caf\xc3\xa9"));
  EXPECT_TRUE(read(VT_ARRAY | VT_BSTR, nothing).IsNull()) << "an array reads as Null";
}

TEST(WindowsLayer, ErrorsCarryDescriptions) {
  const RuntimeError denied = WindowsError(HresultFromWin32(ERROR_ACCESS_DENIED));
  EXPECT_EQ(denied.number(), static_cast<int32_t>(0x80070005));
  EXPECT_FALSE(denied.description().empty());
  EXPECT_FALSE(WindowsError(static_cast<int32_t>(0x80041010)).description().empty()) << "a WMI code";
}

TEST(WindowsLayer, ProcessServicesAndListBox) {
  auto system = MakeSystemPlatform(0, nullptr);
  Platform platform = system->Get();

  SetEnvironmentVariableW(L"KorvaneContractVar", L"\u00e9t\u00e9");
  EXPECT_EQ(platform.process->GetEnvironment("KORVANECONTRACTVAR"), std::optional<std::string>("\xc3\xa9t\xc3\xa9"));
  EXPECT_FALSE(platform.process->GetEnvironment("KorvaneNoSuchVariable").has_value());

  wchar_t tempDir[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, tempDir);
  const std::string file = FromWide(tempDir) + "korvane-contract-\xc3\xa5.log";
  DeleteFileW(ToWide(file).c_str());
  platform.process->AppendLineToFile(file, "first,line");
  platform.process->AppendLineToFile(file, "second,\xc3\xa5");
  std::ifstream in(std::filesystem::path(ToWide(file)), std::ios::binary);
  const std::string content{std::istreambuf_iterator<char>(in), {}};
  in.close();
  EXPECT_EQ(content, "first,line\r\nsecond,\xc3\xa5\r\n") << "CR LF lines, earlier content kept";
  DeleteFileW(ToWide(file).c_str());
  platform.process->AppendLineToFile("Q:\\korvane\\no\\such\\dir\\x.log", "lost");  // must not fail

  // Only a window of another process (the console's) is a console: lines sent to one of
  // the scanner's own windows, or to handle 0, are lost.
  const HWND listBox = CreateWindowExW(0, L"LISTBOX", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(listBox, nullptr);
  platform.console->AddLine(static_cast<int32_t>(reinterpret_cast<LONG_PTR>(listBox)), "PC01,Complete");
  platform.console->AddLine(0, "lost,0");
  EXPECT_EQ(SendMessageW(listBox, LB_GETCOUNT, 0, 0), 0);
  DestroyWindow(listBox);
}

}  // namespace
}  // namespace korvane::win32
