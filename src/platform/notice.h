// Notices to the user: a modal message box with no owner window and an OK button.
#pragma once

namespace korva::platform {

// Shows `text` under `caption` and returns once the user has closed it. Where a notice sink is set
// (standalone programs), the notice goes to the sink instead and returns at once.
void ShowNotice(const char* text, const char* caption);

// Receives every notice in place of the message box. Null restores the message box (or, where
// there is none, a line on stderr).
using NoticeSink = void (*)(const char* caption, const char* text, void* context);
void SetNoticeSink(NoticeSink sink, void* context);

}  // namespace korva::platform
