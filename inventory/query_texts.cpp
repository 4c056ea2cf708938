#include "inventory/query_texts.h"

#include "formats/drive_history_text.h"

namespace korvane {

std::string QuoteInLiteral(const std::string& name) {
  std::string quoted;
  quoted.reserve(name.size());
  for (char c : name) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted;
}

std::string AssetQuery(const std::string& computer) {
  return "SELECT *, Computer AS Expr1 From Asset WHERE (Computer = N'" + QuoteInLiteral(computer) +
         "')";
}

std::string SoftwareQuery(const std::string& computer) {
  return "SELECT *, SoftComputer AS Expr1 From Software WHERE (SoftComputer = N'" +
         QuoteInLiteral(computer) + "')";
}

std::string ServicesQuery(const std::string& computer) {
  return "SELECT *, ServComputer AS Expr1 From Services WHERE (ServComputer = N'" +
         QuoteInLiteral(computer) + "')";
}

std::string LastAccessQuery(const std::string& computer) {
  return "SELECT *, Computer AS Expr1 From LastAccess WHERE (Computer = N'" +
         QuoteInLiteral(computer) + "')";
}

std::string DriveHistoryQuery(const std::string& computer, const std::string& letter) {
  return "SELECT *, DiskComputer AS Expr1 From DriveHistory WHERE (DiskComputer = '" +
         QuoteInLiteral(DriveHistoryKey(computer, letter)) + "')";
}

}  // namespace korvane
