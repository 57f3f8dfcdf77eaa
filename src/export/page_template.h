// What the exporter's two HTML pages (--web, --live) share: bytes as base64,
// text made safe inside a script element, and a template's @SLOT@s filled
// and written whole or not at all.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

std::string base64(const std::string& bytes);
// A script element's text must not close it early.
std::string scriptSafe(std::string_view text);

// page with each of slots (present once each, in this order) replaced by the
// fill of the same place, written to path through a temporary file. page
// counts the bytes written. False with a reason.
bool writeFilledPage(const std::string& path, std::string_view page, std::initializer_list<const char*> slots,
                     std::initializer_list<const std::string*> fill, uint64_t& size, std::string& error);
