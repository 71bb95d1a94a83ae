// Facts about the application that every layer shares.
#pragma once

namespace qc {

// Title of message boxes that give none of their own.
inline constexpr wchar_t kAppTitle[] = L"Quorin Cleaner";

}  // namespace qc
