#pragma once

#include "runtime/value.h"

#include <vector>

namespace jiujiu {

// Button identifiers a message box answers with.
enum MessageBoxButton
{
    IdOk = 1,
    IdCancel = 2,
    IdAbort = 3,
    IdRetry = 4,
    IdIgnore = 5,
    IdYes = 6,
    IdNo = 7,
};

enum MessageBoxStyle
{
    MbOk = 0x0,
    MbOkCancel = 0x1,
    MbAbortRetryIgnore = 0x2,
    MbYesNoCancel = 0x3,
    MbYesNo = 0x4,
    MbRetryCancel = 0x5,
    MbIconError = 0x10,
    MbIconQuestion = 0x20,
    MbIconWarning = 0x30,
    MbIconInformation = 0x40,
    MbDefaultButton2 = 0x100,
    MbSystemModal = 0x1000,
    MbTaskModal = 0x2000,
};

// What the core needs from a user interface. The window layer installs one over Qt; a headless
// program keeps the default, which writes messages to standard error.
class UiServices
{
public:
    virtual ~UiServices();

    // Shows a modal message box; answers the pressed button's identifier (IdOk ...).
    virtual int messageBox(const Text &text, int style, const Text &caption) = 0;
    // A message box whose technical details have a part of their own. By default they follow
    // the text on a line of their own, "原因：" first.
    virtual int detailedMessageBox(const Text &text, int style, const Text &caption,
                                   const Text &details);
    // A question answered by one of the buttons named: answers its index. Esc and the title
    // bar's close button do nothing, so nothing is chosen by accident. By default it is an
    // OK/Cancel box, OK the first button, anything else the second.
    virtual int choose(const Text &text, const Text &caption, const std::vector<Text> &buttons);
    virtual bool setClipboardText(const Text &text) = 0;
    virtual void clearClipboard() = 0;
    // Dispatches what is pending, stopping before a quit request. True when anything ran.
    virtual bool dispatchPendingEvents() = 0;
};

UiServices &CurrentUiServices();
// Installs services (null restores the headless default); answers the previous ones.
UiServices *SetUiServices(UiServices *services);

// Message box command: the text of any value, style (omitted 0), caption (omitted "信息：").
// Answers the button identifier less one: OK 0, Cancel 1, ... , anything unknown 0.
int ShowMessageBox(const Value &text, const Value &style = {}, const Value &caption = {});
// The style word as passed to the system: task-modal unless system-modal is asked for.
int EffectiveMessageBoxStyle(int style);

// A message box with a details part (the technical reason of a failure); answers as
// ShowMessageBox does.
int ShowDetailedMessageBox(const Text &text, const Text &details, int style, const Text &caption);
// A question with buttons that say what they do; answers the chosen button's index.
int AskChoice(const Text &text, const Text &caption, const std::vector<Text> &buttons);

bool SetClipboardText(const Text &text);
void ClearClipboard();
void ProcessPendingEvents();

} // namespace jiujiu
