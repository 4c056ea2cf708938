#include "lab/authoring/lab_catalogue.h"

namespace korvane::lab::authoring {

const std::vector<OsSpec>& OperatingSystems() {
  static const std::vector<OsSpec> list = {
      {"Microsoft Windows NT Workstation", {"Service Pack 4", "Service Pack 6"}, "4.0.1381", "4.0", "C:\\WINNT", 0, false, 2},
      {"Microsoft Windows NT Server", {"Service Pack 6"}, "4.0.1381", "4.0", "C:\\WINNT", 0, true, 0.5},
      {"Microsoft Windows 2000 Professional", {"Service Pack 2", "Service Pack 3", "Service Pack 4"}, "5.0.2195", "5.0", "C:\\WINNT", 1, false, 4},
      {"Microsoft Windows 2000 Server", {"Service Pack 4"}, "5.0.2195", "5.0", "C:\\WINNT", 1, true, 1},
      {"Microsoft Windows XP Professional", {"", "Service Pack 1", "Service Pack 2", "Service Pack 3"}, "5.1.2600", "5.1", "C:\\WINDOWS", 2, false, 12},
      {"Microsoft Windows XP Home Edition", {"Service Pack 2"}, "5.1.2600", "5.1", "C:\\WINDOWS", 2, false, 1},
      {"Microsoft(R) Windows(R) Server 2003, Standard Edition", {"Service Pack 1", "Service Pack 2"}, "5.2.3790", "5.2", "C:\\WINDOWS", 2, true, 2},
      {"Microsoft Windows Vista Business", {"Service Pack 1", "Service Pack 2"}, "6.0.6002", "6.0", "C:\\Windows", 3, false, 2},
      {"Microsoft Windows 7 Professional", {"", "Service Pack 1"}, "6.1.7601", "6.1", "C:\\Windows", 3, false, 9},
      {"Microsoft Windows 7 Enterprise", {"Service Pack 1"}, "6.1.7601", "6.1", "C:\\Windows", 3, false, 2},
      {"Microsoft Windows Server 2008 R2 Standard", {"Service Pack 1"}, "6.1.7601", "6.1", "C:\\Windows", 3, true, 1.5},
      {"Microsoft Windows 8.1 Pro", {""}, "6.3.9600", "6.3", "C:\\Windows", 4, false, 1},
      {"Microsoft Windows 10 Pro", {""}, "10.0.19045", "6.3", "C:\\Windows", 4, false, 9},
      {"Microsoft Windows 10 Enterprise", {""}, "10.0.19044", "6.3", "C:\\Windows", 4, false, 3},
      {"Microsoft Windows 11 Pro", {""}, "10.0.22631", "6.3", "C:\\Windows", 4, false, 5},
      {"Microsoft Windows Server 2019 Standard", {""}, "10.0.17763", "6.3", "C:\\Windows", 4, true, 1.5},
      {"Microsoft Windows Server 2022 Datacenter", {""}, "10.0.20348", "6.3", "C:\\Windows", 4, true, 0.5},
  };
  return list;
}

const std::vector<MachineSpec>& Machines() {
  static const std::vector<MachineSpec> list = {
      {"Compaq", "Deskpro EN", "Compaq", 0, 1, false, false},
      {"Dell Computer Corporation", "OptiPlex GX1", "Dell Computer Corporation", 0, 1, false, false},
      {"IBM", "IBM PC 300PL", "IBM", 0, 1, false, false},
      {"Hewlett-Packard", "HP Vectra VL", "Hewlett-Packard", 0, 1, false, false},
      {"Compaq", "ProLiant ML370", "Compaq", 0, 2, false, true},
      {"Dell Computer Corporation", "OptiPlex GX260", "Dell Computer Corporation", 1, 2, false, false},
      {"Dell Inc.", "OptiPlex GX270", "Dell Computer Corporation", 1, 2, false, false},
      {"Dell Inc.", "Latitude D610", "Dell Inc.", 2, 2, true, false},
      {"IBM", "8183-34G", "IBM", 1, 2, false, false},
      {"IBM", "ThinkPad T42", "IBM", 2, 2, true, false},
      {"Hewlett-Packard", "HP Compaq dc7800 Small Form Factor", "Hewlett-Packard", 2, 3, false, false},
      {"Hewlett-Packard", "HP d530 SFF(DC578AV)", "Hewlett-Packard", 1, 2, false, false},
      {"FUJITSU SIEMENS", "ESPRIMO P5720", "FUJITSU SIEMENS // Phoenix Technologies Ltd.", 2, 3, false, false},
      {"HP", "ProLiant DL380 G5", "HP", 2, 3, false, true},
      {"Dell Inc.", "OptiPlex 7010", "Dell Inc.", 3, 3, false, false},
      {"Dell Inc.", "Latitude E6410", "Dell Inc.", 3, 3, true, false},
      {"LENOVO", "ThinkCentre M58p", "LENOVO", 3, 3, false, false},
      {"Hewlett-Packard", "HP EliteBook 8460p", "Hewlett-Packard", 3, 3, true, false},
      {"Dell Inc.", "PowerEdge R710", "Dell Inc.", 3, 4, false, true},
      {"Acer", "Veriton X4620G", "Acer", 3, 4, false, false},
      {"Dell Inc.", "OptiPlex 7090", "Dell Inc.", 4, 4, false, false},
      {"Dell Inc.", "Latitude 5420", "Dell Inc.", 4, 4, true, false},
      {"LENOVO", "20L5CTO1WW", "LENOVO", 4, 4, true, false},
      {"HP", "HP EliteBook 840 G5", "HP", 4, 4, true, false},
      {"HP", "HP ProDesk 600 G4 SFF", "HP", 4, 4, false, false},
      {"Microsoft Corporation", "Surface Laptop 4", "Microsoft Corporation", 4, 4, true, false},
      {"VMware, Inc.", "VMware Virtual Platform", "Phoenix Technologies LTD", 2, 4, false, true},
      {"HPE", "ProLiant DL360 Gen10", "HPE", 4, 4, false, true},
  };
  return list;
}

const std::vector<CpuSpec>& Processors() {
  static const std::vector<CpuSpec> list = {
      {"x86 Family 6 Model 5 Stepping 2", 350, 0, 0, false},
      {"Intel Pentium II processor", 400, 0, 0, false},
      {"Intel Pentium III processor", 733, 0, 1, false},
      {"Intel(R) Pentium(R) III Xeon processor", 550, 0, 1, true},
      {"Intel(R) Pentium(R) III CPU 1000MHz", 997, 1, 1, false},
      {"Intel(R) Pentium(R) 4 CPU 1.70GHz", 1694, 1, 2, false},
      {"Intel(R) Pentium(R) 4 CPU 2.40GHz", 2394, 1, 2, false},
      {"Intel(R) Pentium(R) 4 CPU 2.80GHz", 2793, 2, 2, false},
      {"AMD Athlon(tm) XP 2400+", 2000, 1, 2, false},
      {"Intel(R) Xeon(TM) CPU 3.06GHz", 3056, 2, 2, true},
      {"Intel(R) Pentium(R) M processor 1.73GHz", 1729, 2, 2, false},
      {"Intel(R) Core(TM)2 CPU 6400 @ 2.13GHz", 2128, 2, 3, false},
      {"AMD Athlon(tm) 64 X2 Dual Core Processor 4400+", 2211, 2, 3, false},
      {"Intel(R) Core(TM)2 Duo CPU E8400 @ 3.00GHz", 2992, 3, 3, false},
      {"Intel(R) Core(TM) i5-2400 CPU @ 3.10GHz", 3101, 3, 3, false},
      {"Intel(R) Core(TM) i7-3770 CPU @ 3.40GHz", 3401, 3, 4, false},
      {"Intel(R) Core(TM) i5 CPU M 520 @ 2.40GHz", 2400, 3, 3, false},
      {"Intel(R) Xeon(R) CPU E5620 @ 2.40GHz", 2394, 3, 3, true},
      {"Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz", 3000, 4, 4, false},
      {"Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz", 2112, 4, 4, false},
      {"11th Gen Intel(R) Core(TM) i5-1145G7 @ 2.60GHz", 2611, 4, 4, false},
      {"AMD Ryzen 7 PRO 4750G with Radeon Graphics", 3600, 4, 4, false},
      {"Intel(R) Xeon(R) Silver 4214 CPU @ 2.20GHz", 2195, 4, 4, true},
      {"Intel(R) Xeon(R) Gold 6248R CPU @ 3.00GHz", 2993, 4, 4, true},
  };
  return list;
}

const std::vector<ProgramSpec>& Programs() {
  static const std::vector<ProgramSpec> list = {
      {"Microsoft Office Professional Edition 2003", "Microsoft Corporation", {"11.0.5614.0", "11.0.6361.0", "11.0.8173.0"}, "C:\\Program Files\\Microsoft Office\\", true, true, 2, 3, 0.5},
      {"Microsoft Office 2000 Premium", "Microsoft Corporation", {"9.00.2720", "9.00.9327"}, "C:\\Program Files\\Microsoft Office\\", true, true, 0, 2, 0.6},
      {"Microsoft Office Professional Plus 2010", "Microsoft Corporation", {"14.0.4763.1000", "14.0.7015.1000"}, "C:\\Program Files\\Microsoft Office\\", true, true, 3, 3, 0.6},
      {"Microsoft 365 Apps for enterprise - en-us", "Microsoft Corporation", {"16.0.14326.20454", "16.0.16529.20182", "16.0.17029.20108"}, "C:\\Program Files\\Microsoft Office", false, false, 4, 4, 0.7},
      {"Adobe Reader 6.0", "Adobe Systems Incorporated", {"6.0.0", "6.0.1"}, "C:\\Program Files\\Adobe\\Acrobat 6.0\\", true, false, 1, 2, 0.4},
      {"Adobe Reader 7.0.9", "Adobe Systems Incorporated", {"7.0.9"}, "C:\\Program Files\\Adobe\\Acrobat 7.0\\", true, false, 2, 2, 0.4},
      {"Adobe Reader 9.5.0", "Adobe Systems Incorporated", {"9.5.0", "9.5.5"}, "C:\\Program Files\\Adobe\\Reader 9.0\\", true, false, 3, 3, 0.5},
      {"Adobe Acrobat Reader DC", "Adobe Systems Incorporated", {"19.010.20098", "21.001.20145", "23.006.20320"}, "C:\\Program Files (x86)\\Adobe\\Acrobat Reader DC\\", true, false, 4, 4, 0.7},
      {"WinZip", "WinZip Computing", {"8.0", "8.1", "9.0"}, "C:\\Program Files\\WinZip\\", false, false, 0, 2, 0.4},
      {"7-Zip 9.20", "Igor Pavlov", {"9.20.00.0"}, "C:\\Program Files\\7-Zip\\", true, false, 3, 3, 0.3},
      {"7-Zip 23.01 (x64)", "Igor Pavlov", {"23.01"}, "C:\\Program Files\\7-Zip\\", false, false, 4, 4, 0.4},
      {"Mozilla Firefox", "Mozilla", {"3.6.28", "10.0.2"}, "C:\\Program Files\\Mozilla Firefox", false, false, 2, 3, 0.3},
      {"Mozilla Firefox (x64 en-US)", "Mozilla", {"115.4.0", "119.0.1", "120.0"}, "C:\\Program Files\\Mozilla Firefox", false, false, 4, 4, 0.4},
      {"Google Chrome", "Google LLC", {"118.0.5993.118", "119.0.6045.160", "120.0.6099.71"}, "C:\\Program Files\\Google\\Chrome\\Application", true, false, 3, 4, 0.6},
      {"Java 2 Runtime Environment, SE v1.4.2_03", "Sun Microsystems, Inc.", {"1.4.2_03"}, "C:\\Program Files\\Java\\j2re1.4.2_03\\", true, false, 1, 2, 0.4},
      {"Java(TM) 6 Update 45", "Oracle", {"6.0.450"}, "C:\\Program Files\\Java\\jre6\\", true, false, 2, 3, 0.5},
      {"Java 8 Update 391", "Oracle Corporation", {"8.0.3910.13"}, "C:\\Program Files\\Java\\jre-1.8\\", true, false, 3, 4, 0.3},
      {"Symantec AntiVirus", "Symantec Corporation", {"9.0.0.338", "10.1.5.5000"}, "C:\\Program Files\\Symantec AntiVirus\\", true, false, 1, 3, 0.6},
      {"McAfee VirusScan Enterprise", "McAfee, Inc.", {"7.1.0", "8.0.0", "8.8.0.1804"}, "C:\\Program Files\\Network Associates\\VirusScan\\", true, false, 1, 3, 0.4},
      {"Sophos Endpoint Agent", "Sophos Limited", {"2023.1.1.7", "2023.2.0.45"}, "C:\\Program Files\\Sophos\\", false, false, 4, 4, 0.5},
      {"Microsoft .NET Framework 1.1", "Microsoft Corporation", {"1.1.4322"}, "", true, false, 1, 3, 0.6},
      {"Microsoft .NET Framework 2.0 Service Pack 2", "Microsoft Corporation", {"2.2.30729"}, "", true, false, 2, 3, 0.6},
      {"Microsoft .NET Framework 4.8", "Microsoft Corporation", {"4.8.03761", "4.8.04084"}, "", true, false, 3, 4, 0.7},
      {"Microsoft Visual C++ 2005 Redistributable", "Microsoft Corporation", {"8.0.56336", "8.0.61001"}, "", true, false, 2, 4, 0.6},
      {"Microsoft Visual C++ 2008 Redistributable - x86 9.0.30729.6161", "Microsoft Corporation", {"9.0.30729.6161"}, "", true, false, 2, 4, 0.7},
      {"Microsoft Visual C++ 2015-2022 Redistributable (x64) - 14.36.32532", "Microsoft Corporation", {"14.36.32532.0"}, "", true, false, 4, 4, 0.8},
      {"Windows Media Player 10", "Microsoft Corporation", {"10.0.0.3802"}, "", false, false, 2, 2, 0.4},
      {"DirectX 9 Hotfix - KB839643", "Microsoft Corporation", {""}, "", false, false, 1, 2, 0.3},
      {"Microsoft Internet Explorer 6 SP1", "Microsoft Corporation", {"6.0.2800.1106"}, "", false, false, 1, 1, 0.5},
      {"Windows Internet Explorer 7", "Microsoft Corporation", {"20061107.210142"}, "", false, false, 2, 2, 0.5},
      {"Lotus Notes 6.5", "IBM", {"6.5.1", "6.5.4"}, "C:\\Lotus\\Notes\\", true, false, 1, 2, 0.3},
      {"Novell Client for Windows", "Novell, Inc.", {"4.83 SP1", "4.90 SP2"}, "C:\\Novell\\", false, false, 0, 2, 0.3},
      {"Citrix ICA Client", "Citrix Systems, Inc.", {"7.00.17534", "9.150.39151"}, "C:\\Program Files\\Citrix\\ICA Client\\", true, false, 1, 2, 0.3},
      {"Citrix Workspace 2309", "Citrix Systems, Inc.", {"23.9.0.45"}, "C:\\Program Files (x86)\\Citrix\\", false, false, 4, 4, 0.3},
      {"SAP GUI for Windows 6.40", "SAP AG", {"6.40 Patch 22"}, "C:\\Program Files\\SAP\\FrontEnd\\", false, false, 1, 2, 0.2},
      {"SAP GUI for Windows 7.70 (Patch 9)", "SAP SE", {"7.70 Compilation 3"}, "C:\\Program Files (x86)\\SAP\\FrontEnd\\", false, false, 4, 4, 0.2},
      {"Crystal Reports 9", "Crystal Decisions", {"9.2.0.448"}, "C:\\Program Files\\Crystal Decisions\\", true, true, 1, 2, 0.1},
      {"Microsoft SQL Server Desktop Engine", "Microsoft Corporation", {"8.00.761", "8.00.2039"}, "C:\\Program Files\\Microsoft SQL Server\\", true, false, 1, 2, 0.2},
      {"Microsoft SQL Server 2019 (64-bit)", "Microsoft Corporation", {"15.0.2000.5", "15.0.4335.1"}, "C:\\Program Files\\Microsoft SQL Server\\", false, true, 4, 4, 0.15},
      {"Veritas Backup Exec for Windows Servers", "VERITAS Software", {"9.1.4691"}, "C:\\Program Files\\VERITAS\\Backup Exec\\NT\\", true, true, 1, 2, 0.1},
      {"VMware Tools", "VMware, Inc.", {"8.6.0.6261", "12.3.0.22234872"}, "C:\\Program Files\\VMware\\VMware Tools\\", true, false, 2, 4, 0.1},
      {"Intel(R) PRO Network Connections Drivers", "Intel", {"8.3.21.0", "9.2.24.0"}, "", false, false, 1, 2, 0.4},
      {"Realtek High Definition Audio Driver", "Realtek Semiconductor Corp.", {"5.10.0.5605", "6.0.1.7541", "6.0.9235.1"}, "", false, false, 2, 4, 0.5},
      {"NVIDIA Graphics Driver 537.58", "NVIDIA Corporation", {"537.58"}, "", false, false, 4, 4, 0.2},
      {"Intel(R) Management Engine Components", "Intel Corporation", {"11.0.0.1157", "2239.3.7.0"}, "C:\\Program Files (x86)\\Intel\\Intel(R) Management Engine Components\\", true, false, 3, 4, 0.5},
      {"Notepad++ (64-bit x64)", "Notepad++ Team", {"8.5.8", "8.6"}, "C:\\Program Files\\Notepad++", false, false, 4, 4, 0.3},
      {"VLC media player", "VideoLAN", {"2.2.8", "3.0.18", "3.0.20"}, "C:\\Program Files\\VideoLAN\\VLC", false, false, 3, 4, 0.3},
      {"Microsoft Teams", "Microsoft Corporation", {"1.6.00.27573", "23306.3314.2555.9628"}, "", false, false, 4, 4, 0.5},
      {"Zoom", "Zoom Video Communications, Inc.", {"5.16.6 (24664)", "5.17.1 (28914)"}, "C:\\Program Files\\Zoom\\bin", true, false, 4, 4, 0.3},
      {"Microsoft Edge", "Microsoft Corporation", {"119.0.2151.72", "120.0.2210.61"}, "C:\\Program Files (x86)\\Microsoft\\Edge\\Application", false, false, 4, 4, 0.9},
      {"Microsoft OneDrive", "Microsoft Corporation", {"23.226.1031.0003", "23.246.1127.0002"}, "", false, false, 4, 4, 0.6},
      {"Git", "The Git Development Community", {"2.42.0.2", "2.43.0"}, "C:\\Program Files\\Git\\", false, false, 4, 4, 0.1},
      {"PuTTY release 0.79 (64-bit)", "Simon Tatham", {"0.79.0.0"}, "", true, false, 4, 4, 0.15},
      {"WinSCP 3.7.6", "Martin Prikryl", {"3.7.6"}, "C:\\Program Files\\WinSCP3\\", false, false, 2, 2, 0.1},
      {"Macromedia Flash Player 7", "Macromedia", {"7.0.19.0"}, "", false, false, 1, 2, 0.5},
      {"Adobe Flash Player 11 ActiveX", "Adobe Systems Incorporated", {"11.7.700.169"}, "C:\\Windows\\system32\\Macromed\\Flash\\", false, false, 3, 3, 0.5},
      {"QuickTime", "Apple Inc.", {"7.1.3", "7.7.9"}, "C:\\Program Files\\QuickTime\\", true, false, 2, 3, 0.2},
      {"AutoCAD 2004", "Autodesk", {"16.0.0"}, "C:\\Program Files\\AutoCAD 2004\\", true, true, 1, 2, 0.05},
      {"AutoCAD 2024 - English", "Autodesk, Inc.", {"24.3.61.0"}, "C:\\Program Files\\Autodesk\\AutoCAD 2024\\", true, true, 4, 4, 0.05},
      {"Microsoft Project Professional 2003", "Microsoft Corporation", {"11.0.2003.0816.15"}, "C:\\Program Files\\Microsoft Office\\", true, true, 2, 2, 0.05},
      {"Microsoft Visio Professional 2010", "Microsoft Corporation", {"14.0.4760.1000"}, "C:\\Program Files\\Microsoft Office\\", true, true, 3, 3, 0.05},
      {"SMS Advanced Client", "Microsoft Corporation", {"2.50.4160.2000"}, "C:\\WINDOWS\\system32\\CCM\\", true, false, 2, 2, 0.4},
      {"Configuration Manager Client", "Microsoft Corporation", {"5.00.9106.1000", "5.00.9122.1000"}, "", true, false, 3, 4, 0.5},
      {"HP Universal Print Driver", "HP", {"6.1.0.20062", "7.0.1.24923"}, "", false, false, 3, 4, 0.3},
      {"Dell Command | Update", "Dell Inc.", {"4.9.0", "5.1.0"}, "C:\\Program Files\\Dell\\CommandUpdate\\", true, false, 4, 4, 0.2},
      {"Lenovo System Update", "Lenovo", {"5.08.01.0009"}, "C:\\Program Files (x86)\\Lenovo\\System Update\\", false, false, 3, 4, 0.15},
      {"TightVNC", "GlavSoft LLC.", {"1.3.10", "2.8.81.0"}, "C:\\Program Files\\TightVNC\\", false, false, 1, 4, 0.1},
  };
  return list;
}

const std::vector<ProgramSpec>& ThirtyTwoBitPrograms() {
  static const std::vector<ProgramSpec> list = {
      {"Adobe Acrobat Reader DC", "Adobe Systems Incorporated", {"21.001.20145", "23.006.20320"}, "C:\\Program Files (x86)\\Adobe\\Acrobat Reader DC\\", true, false, 3, 4, 0.5},
      {"Java 8 Update 391", "Oracle Corporation", {"8.0.3910.13"}, "C:\\Program Files (x86)\\Java\\jre-1.8\\", true, false, 3, 4, 0.4},
      {"Microsoft Visual C++ 2015-2022 Redistributable (x86) - 14.36.32532", "Microsoft Corporation", {"14.36.32532.0"}, "", true, false, 4, 4, 0.8},
      {"Microsoft Visual C++ 2010  x86 Redistributable - 10.0.40219", "Microsoft Corporation", {"10.0.40219"}, "", true, false, 3, 4, 0.6},
      {"Microsoft Office Professional Plus 2016", "Microsoft Corporation", {"16.0.4266.1001"}, "C:\\Program Files (x86)\\Microsoft Office", true, true, 4, 4, 0.3},
      {"Microsoft Office Professional Plus 2010", "Microsoft Corporation", {"14.0.7015.1000"}, "C:\\Program Files (x86)\\Microsoft Office\\", true, true, 3, 3, 0.4},
      {"Google Chrome", "Google LLC", {"109.0.5414.120", "119.0.6045.160"}, "C:\\Program Files (x86)\\Google\\Chrome\\Application", false, false, 3, 4, 0.4},
      {"TeamViewer", "TeamViewer", {"15.47.3"}, "C:\\Program Files (x86)\\TeamViewer", false, false, 4, 4, 0.2},
      {"7-Zip 9.20", "Igor Pavlov", {"9.20.00.0"}, "C:\\Program Files (x86)\\7-Zip\\", true, false, 3, 3, 0.3},
      {"Mozilla Firefox (x86 en-US)", "Mozilla", {"52.9.0esr"}, "C:\\Program Files (x86)\\Mozilla Firefox", false, false, 3, 3, 0.2},
  };
  return list;
}

const std::vector<ServiceSpec>& Services() {
  static const std::vector<ServiceSpec> list = {
      {"Alerter", "Alerter", "share", 0, 2}, {"AppMgmt", "Application Management", "share", 1, 4},
      {"AudioSrv", "Windows Audio", "share", 2, 4}, {"BITS", "Background Intelligent Transfer Service", "share", 1, 4},
      {"Browser", "Computer Browser", "share", 0, 3}, {"CiSvc", "Indexing Service", "share", 1, 2},
      {"ClipSrv", "ClipBook", "own", 0, 2}, {"COMSysApp", "COM+ System Application", "own", 1, 4},
      {"CryptSvc", "Cryptographic Services", "share", 2, 4}, {"DcomLaunch", "DCOM Server Process Launcher", "share", 2, 4},
      {"Dhcp", "DHCP Client", "share", 0, 4}, {"dmadmin", "Logical Disk Manager Administrative Service", "own", 1, 2},
      {"dmserver", "Logical Disk Manager", "share", 1, 2}, {"Dnscache", "DNS Client", "share", 1, 4},
      {"ERSvc", "Error Reporting Service", "share", 2, 2}, {"Eventlog", "Event Log", "own", 0, 4},
      {"EventSystem", "COM+ Event System", "share", 1, 4}, {"FastUserSwitchingCompatibility", "Fast User Switching Compatibility", "share", 2, 2},
      {"helpsvc", "Help and Support", "share", 2, 2}, {"HidServ", "Human Interface Device Access", "share", 2, 3},
      {"ImapiService", "IMAPI CD-Burning COM Service", "own", 2, 2}, {"lanmanserver", "Server", "share", 0, 4},
      {"lanmanworkstation", "Workstation", "share", 0, 4}, {"LmHosts", "TCP/IP NetBIOS Helper", "share", 0, 4},
      {"Messenger", "Messenger", "share", 0, 2}, {"mnmsrvc", "NetMeeting Remote Desktop Sharing", "own", 1, 2},
      {"MSDTC", "Distributed Transaction Coordinator", "own", 1, 4}, {"MSIServer", "Windows Installer", "share", 1, 4},
      {"Netlogon", "Net Logon", "share", 0, 4}, {"Netman", "Network Connections", "share", 1, 4},
      {"Nla", "Network Location Awareness (NLA)", "share", 2, 2}, {"NtLmSsp", "NT LM Security Support Provider", "share", 0, 2},
      {"PlugPlay", "Plug and Play", "share", 0, 4}, {"PolicyAgent", "IPSEC Services", "share", 1, 2},
      {"ProtectedStorage", "Protected Storage", "share", 1, 3}, {"RasAuto", "Remote Access Auto Connection Manager", "share", 0, 4},
      {"RasMan", "Remote Access Connection Manager", "share", 0, 4}, {"RemoteRegistry", "Remote Registry", "share", 1, 4},
      {"RpcLocator", "Remote Procedure Call (RPC) Locator", "own", 0, 4}, {"RpcSs", "Remote Procedure Call (RPC)", "share", 0, 4},
      {"SamSs", "Security Accounts Manager", "share", 1, 4}, {"Schedule", "Task Scheduler", "share", 0, 4},
      {"seclogon", "Secondary Logon", "share", 1, 4}, {"SENS", "System Event Notification", "share", 1, 4},
      {"SharedAccess", "Windows Firewall/Internet Connection Sharing (ICS)", "share", 2, 3}, {"ShellHWDetection", "Shell Hardware Detection", "share", 2, 4},
      {"Spooler", "Print Spooler", "own", 0, 4}, {"srservice", "System Restore Service", "share", 2, 2},
      {"SSDPSRV", "SSDP Discovery Service", "share", 2, 4}, {"stisvc", "Windows Image Acquisition (WIA)", "share", 2, 4},
      {"SwPrv", "MS Software Shadow Copy Provider", "own", 2, 4}, {"TapiSrv", "Telephony", "share", 0, 4},
      {"TermService", "Terminal Services", "share", 1, 2}, {"Themes", "Themes", "share", 2, 4},
      {"TrkWks", "Distributed Link Tracking Client", "share", 1, 4}, {"UPS", "Uninterruptible Power Supply", "own", 0, 2},
      {"VSS", "Volume Shadow Copy", "own", 2, 4}, {"W32Time", "Windows Time", "share", 1, 4},
      {"WebClient", "WebClient", "share", 2, 4}, {"winmgmt", "Windows Management Instrumentation", "share", 1, 4},
      {"WmdmPmSN", "Portable Media Serial Number Service", "share", 2, 2}, {"Wmi", "Windows Management Instrumentation Driver Extensions", "share", 1, 2},
      {"WmiApSrv", "WMI Performance Adapter", "own", 2, 4}, {"wscsvc", "Security Center", "share", 2, 4},
      {"wuauserv", "Automatic Updates", "share", 1, 2}, {"WZCSVC", "Wireless Zero Configuration", "share", 2, 2},
      {"xmlprov", "Network Provisioning Service", "share", 2, 2}, {"Replicator", "Directory Replicator", "own", 0, 1},
      {"NetDDE", "Network DDE", "share", 0, 2}, {"NetDDEdsdm", "Network DDE DSDM", "share", 0, 2},
      {"AeLookupSvc", "Application Experience", "share", 3, 4}, {"BFE", "Base Filtering Engine", "share", 3, 4},
      {"CertPropSvc", "Certificate Propagation", "share", 3, 4}, {"DPS", "Diagnostic Policy Service", "share", 3, 4},
      {"EventLog", "Windows Event Log", "share", 3, 4}, {"FontCache", "Windows Font Cache Service", "share", 3, 4},
      {"gpsvc", "Group Policy Client", "share", 3, 4}, {"iphlpsvc", "IP Helper", "share", 3, 4},
      {"KeyIso", "CNG Key Isolation", "share", 3, 4}, {"LanmanServer", "Server", "share", 3, 4},
      {"MpsSvc", "Windows Firewall", "share", 3, 4}, {"NlaSvc", "Network Location Awareness", "share", 3, 4},
      {"nsi", "Network Store Interface Service", "share", 3, 4}, {"Power", "Power", "share", 3, 4},
      {"ProfSvc", "User Profile Service", "share", 3, 4}, {"SysMain", "Superfetch", "share", 3, 4},
      {"Themes", "Themes", "share", 3, 4}, {"UxSms", "Desktop Window Manager Session Manager", "share", 3, 3},
      {"WdiServiceHost", "Diagnostic Service Host", "share", 3, 4}, {"WinDefend", "Windows Defender", "share", 3, 4},
      {"WinHttpAutoProxySvc", "WinHTTP Web Proxy Auto-Discovery Service", "share", 3, 4}, {"Wcmsvc", "Windows Connection Manager", "share", 4, 4},
      {"WpnService", "Windows Push Notifications System Service", "share", 4, 4}, {"WSearch", "Windows Search", "own", 3, 4},
      {"wuauserv", "Windows Update", "share", 3, 4}, {"DiagTrack", "Connected User Experiences and Telemetry", "own", 4, 4},
      {"StateRepository", "State Repository Service", "share", 4, 4}, {"TimeBrokerSvc", "Time Broker", "share", 4, 4},
      {"UsoSvc", "Update Orchestrator Service", "share", 4, 4}, {"WaaSMedicSvc", "Windows Update Medic Service", "share", 4, 4},
      {"SecurityHealthService", "Windows Security Service", "own", 4, 4}, {"Sense", "Windows Defender Advanced Threat Protection Service", "own", 4, 4},
      {"CcmExec", "SMS Agent Host", "own", 2, 4}, {"Symantec AntiVirus", "Symantec AntiVirus", "own", 1, 3},
      {"McShield", "Network Associates McShield", "own", 1, 3}, {"SAVScan", "Symantec AntiVirus Definition Watcher", "own", 1, 3},
      {"VMTools", "VMware Tools", "own", 2, 4}, {"MSSQLSERVER", "SQL Server (MSSQLSERVER)", "own", 1, 4},
      {"W3SVC", "World Wide Web Publishing Service", "share", 1, 4}, {"IISADMIN", "IIS Admin Service", "share", 1, 4},
      {"DNS", "DNS Server", "own", 1, 4}, {"NTDS", "Active Directory Domain Services", "share", 3, 4},
      {"Atapi", "Standard IDE/ESDI Hard Disk Controller", "driver", 0, 4}, {"Cdrom", "CD-ROM Driver", "driver", 0, 4},
      {"Disk", "Disk Driver", "driver", 0, 4}, {"Fastfat", "Fastfat", "driver", 0, 4},
      {"Floppy", "Floppy Disk Driver", "driver", 0, 3}, {"i8042prt", "i8042 Keyboard and PS/2 Mouse Port Driver", "driver", 0, 4},
      {"Kbdclass", "Keyboard Class Driver", "driver", 0, 4}, {"Mouclass", "Mouse Class Driver", "driver", 0, 4},
      {"Ntfs", "Ntfs", "driver", 0, 4}, {"Tcpip", "TCP/IP Protocol Driver", "driver", 0, 4},
      {"NetBT", "NetBios over Tcpip", "driver", 0, 4}, {"AFD", "AFD Networking Support Environment", "driver", 0, 4},
      {"Serial", "Serial port driver", "driver", 0, 4}, {"Parport", "Parallel port driver", "driver", 0, 3},
      {"usbhub", "USB2 Enabled Hub", "driver", 1, 4}, {"usbuhci", "Microsoft USB Universal Host Controller Miniport Driver", "driver", 1, 3},
      {"usbehci", "Microsoft USB 2.0 Enhanced Host Controller Miniport Driver", "driver", 2, 4}, {"E100B", "Intel(R) PRO Adapter Driver", "driver", 0, 2},
      {"e1express", "Intel(R) PRO/1000 PCI Express Network Connection Driver", "driver", 3, 4}, {"HdAudAddService", "Microsoft 1.1 UAA Function Driver for High Definition Audio Service", "driver", 2, 4},
      {"VgaSave", "VGA Display Controller.", "driver", 0, 3}, {"nvlddmkm", "nvlddmkm", "driver", 3, 4},
      {"storahci", "Microsoft Standard SATA AHCI Driver", "driver", 3, 4}, {"stornvme", "Microsoft Standard NVM Express Driver", "driver", 4, 4},
      {"volsnap", "Volume Shadow Copy driver", "driver", 2, 4}, {"mrxsmb", "SMB MiniRedirector Wrapper and Engine", "driver", 1, 4},
      {"Rdbss", "Redirected Buffering Sub Sysytem", "driver", 1, 4}, {"RDPWD", "RDP Winstation Driver", "driver", 1, 4},
  };
  return list;
}

const std::vector<std::string>& FirstNames() {
  static const std::vector<std::string> list = {"james", "mary", "john", "patricia", "robert", "jennifer", "michael", "linda", "william", "elizabeth", "david", "barbara", "richard", "susan", "joseph", "jessica", "thomas", "sarah", "charles", "karen", "anna", "lukas", "sofia", "mateo", "amara", "kenji", "priya", "olivia", "noah", "emma"};
  return list;
}

const std::vector<std::string>& LastNames() {
  static const std::vector<std::string> list = {"smith", "johnson", "williams", "brown", "jones", "garcia", "miller", "davis", "rodriguez", "martinez", "hernandez", "lopez", "wilson", "anderson", "taylor", "thomas", "moore", "jackson", "martin", "lee", "walker", "hall", "young", "king", "wright", "scott", "green", "baker", "adams", "nelson"};
  return list;
}

const std::vector<std::string>& Departments() {
  static const std::vector<std::string> list = {"ACCT", "SALES", "HR", "ENG", "MKT", "OPS", "LEGAL", "IT", "LAB", "FIN"};
  return list;
}

}  // namespace korvane::lab::authoring
