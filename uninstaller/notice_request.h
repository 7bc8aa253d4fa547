// The notice the uninstaller sends to the product's server when the product is removed.
// Portable: no Windows calls.
#pragma once

#include <string>
#include <string_view>

// The notice goes over plain HTTP to this port of the host.
inline constexpr unsigned short kNoticePort = 80;

// The bytes of the removal notice: one GET request with exactly four headers, each line
// ended by CR LF, and no body. `host` names the server without a port.
std::string FormatNoticeRequest(std::string_view host);
