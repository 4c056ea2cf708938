// ScanContext: the state of the one scan this process runs. Start-up fills the command
// line fields; the driver resets PingOK; the echo probe sets PingOK and IPAddress; the
// WMI collector replaces ComputerName by the name the computer reports; the terminal
// error handling reads ErrorProcedure/ErrorContext and writes ErrorText. The database
// slots are opened and replaced by the reconciliation stage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/connection_string.h"
#include "platform/database.h"

namespace korvane {

struct ScanContext {
  int32_t ConsoleListBox = 0;
  std::string ComputerName;
  std::string SqlServer;
  std::string ConnectionString;
  bool UserOnly = false;
  std::string TempDir;
  bool PingOK = false;
  std::string IPAddress;
  std::string ErrorProcedure;
  std::string ErrorContext;
  std::string ErrorText;

  // The command line as start-up read it (the driver tests its last two characters).
  std::string CommandLine;

  // Database slots: Asset rows (1), Software rows (2), Services rows (3). Opening a slot
  // replaces its connection and recordset; the recordset is declared after its
  // connection so that it is released first.
  std::unique_ptr<Connection> Conn1;
  std::unique_ptr<Recordset> RS1;
  std::string SQL1;
  std::unique_ptr<Connection> Conn2;
  std::unique_ptr<Recordset> RS2;
  std::string SQL2;
  std::unique_ptr<Connection> Conn3;
  std::unique_ptr<Recordset> RS3;
  std::string SQL3;
};

}  // namespace korvane
