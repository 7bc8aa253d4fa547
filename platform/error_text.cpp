#include "platform/error_text.h"

namespace platform {
namespace {

std::string HexAddress(std::uint32_t address) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex(8, '0');
  for (int i = 7; i >= 0; --i, address >>= 4) hex[i] = kDigits[address & 0xF];
  return hex;
}

}  // namespace

std::string FormatErrorReport(std::string_view kind, std::string_view module, std::uint32_t address,
                              std::string_view text) {
  std::string report;
  report.append("Exception ").append(kind);
  report.append(" in module ").append(module);
  report.append(" at ").append(HexAddress(address)).append(".\r\n");
  report.append(text);
  if (text.empty() || text.back() != '.') report += '.';
  report.append("\r\n");
  return report;
}

}  // namespace platform
