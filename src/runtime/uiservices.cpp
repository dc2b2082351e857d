#include "runtime/uiservices.h"

#include "runtime/codepage.h"
#include "runtime/conversions.h"

#include <cstdio>

namespace jiujiu {
namespace {

// Without a window: messages go to standard error and are taken as confirmed.
class HeadlessUiServices final : public UiServices
{
public:
    int messageBox(const Text &text, int, const Text &caption) override
    {
        std::fprintf(stderr, "%s: %s\n", TextToUtf8(caption).c_str(), TextToUtf8(text).c_str());
        return IdOk;
    }
    bool setClipboardText(const Text &) override { return false; }
    void clearClipboard() override {}
    bool dispatchPendingEvents() override { return false; }
};

HeadlessUiServices &Headless()
{
    static HeadlessUiServices services;
    return services;
}

UiServices *&Installed()
{
    static UiServices *services = nullptr;
    return services;
}

} // namespace

UiServices::~UiServices() = default;

int UiServices::detailedMessageBox(const Text &text, int style, const Text &caption,
                                   const Text &details)
{
    static const Text reason = Utf8ToText("\r\n原因：");
    return messageBox(details.empty() ? text : text + reason + details, style, caption);
}

int UiServices::choose(const Text &text, const Text &caption, const std::vector<Text> &buttons)
{
    if (buttons.size() < 2)
        return messageBox(text, MbOk | MbIconQuestion, caption) == IdOk ? 0 : -1;
    return messageBox(text, MbOkCancel | MbIconQuestion, caption) == IdOk ? 0 : 1;
}

UiServices &CurrentUiServices()
{
    UiServices *services = Installed();
    return services ? *services : Headless();
}

UiServices *SetUiServices(UiServices *services)
{
    UiServices *previous = Installed();
    Installed() = services;
    return previous;
}

int EffectiveMessageBoxStyle(int style)
{
    return (style & MbSystemModal) ? style : (style | MbTaskModal);
}

int ShowMessageBox(const Value &text, const Value &style, const Value &caption)
{
    Text message;
    switch (text.kind()) {
    case Kind::Text:
        message = *text.as<Text>();
        break;
    case Kind::Bool:
    case Kind::DateTime:
        message = ToText(text);
        break;
    default:
        if (IsNumericKind(text.kind()))
            message = ToText(text);
        break;
    }
    static const Text defaultCaption = Utf8ToText("信息：");
    const Text title = caption.isOmitted() ? defaultCaption : ToText(caption);
    const int styleWord = style.isOmitted() ? 0 : ToInteger(style);
    const int button =
        CurrentUiServices().messageBox(message, EffectiveMessageBoxStyle(styleWord), title);
    return button >= IdOk && button <= IdNo ? button - 1 : 0;
}

int ShowDetailedMessageBox(const Text &text, const Text &details, int style, const Text &caption)
{
    const int button = CurrentUiServices().detailedMessageBox(text, EffectiveMessageBoxStyle(style),
                                                              caption, details);
    return button >= IdOk && button <= IdNo ? button - 1 : 0;
}

int AskChoice(const Text &text, const Text &caption, const std::vector<Text> &buttons)
{
    return CurrentUiServices().choose(text, caption, buttons);
}

bool SetClipboardText(const Text &text)
{
    return CurrentUiServices().setClipboardText(text);
}

void ClearClipboard()
{
    CurrentUiServices().clearClipboard();
}

void ProcessPendingEvents()
{
    CurrentUiServices().dispatchPendingEvents();
}

} // namespace jiujiu
