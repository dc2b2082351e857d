#pragma once

#include "runtime/value.h"

#include <chrono>
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

// What became of an address handed to the desktop.
enum class HandOff
{
    Taken,     // the opener found a program for it (a replaced opener always takes it)
    Refused,   // the opener failed or could not be started: no program took the address
    Rejected,  // not an address we hand over; nothing was started
    Undecided, // the opener had not finished within the wait
};

// How long a hand-off waits for the opener's verdict; openers answer within a fraction of it.
inline constexpr std::chrono::milliseconds kOpenerVerdictWait{10000};

// Hands the address over as OpenAddress does, then waits up to `wait` for the opener's exit
// status, dispatching pending events meanwhile so the windows stay responsive.
HandOff HandOverAddress(const Value &address, std::chrono::milliseconds wait = kOpenerVerdictWait);

// The system opener itself: "gio open ADDRESS" here, the shell's open verb on Windows. Returns
// at once; the opener is reaped in the background.
void OpenWithSystemOpener(const std::string &utf8Address);

} // namespace jiujiu
