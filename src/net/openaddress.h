#pragma once

#include "runtime/value.h"

#include <functional>
#include <string>

namespace jiujiu {

// Receives an address (UTF-8) that passed the scheme check and hands it to the desktop.
using AddressOpener = std::function<void(const std::string &utf8Address)>;

// Replaces the system opener (tests record instead); answers the previous one. Null restores
// the system opener.
AddressOpener SetAddressOpener(AddressOpener opener);

// Only http, https and ed2k addresses are handed over: anything else could make a page open
// local files or start programs.
bool IsOpenableAddress(std::string_view address);

// The web address opened when none is given.
Text DefaultWebAddress();

// Hands the address to the system's opener as one argument, without a shell, and returns at
// once; reports nothing. Omitted: the default web address.
void OpenAddress(const Value &address = {});

// The system opener itself: "gio open ADDRESS" here, the shell's open verb on Windows.
void OpenWithSystemOpener(const std::string &utf8Address);

} // namespace jiujiu
