// The rules every vendor component shares: catalogue keys of adapters, and
// the piece-by-piece comparison of version texts that decides each action.
#pragma once

#include <string>
#include <vector>

#include "fchba/adapter_record.h"

// The dotted catalogue key of an adapter: its PCI identity and subsystem
// identity, each left out when "N/A", with a dot after every four characters.
std::wstring catalogueKey(const FcAdapterRecord& record);

// The texts between separators; a separator at the end adds no empty piece.
std::vector<std::wstring> splitVersion(const std::wstring& text, wchar_t separator);

// -1 when a is older than b, 0 when equal, 1 when newer: dotted pieces in
// turn, numerically when both are digits, otherwise as texts.
int compareVersions(const std::wstring& a, const std::wstring& b);

std::wstring toUpperWide(const std::wstring& text);
