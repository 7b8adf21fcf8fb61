// Form1 in a browser: the page's elements (page.js), the clipboard it reads
// before the command and writes after it, an editor page.

#include "cipher/clipboard.h"
#include "cipher/failure.h"
#include "cipher/messages.h"
#include "cipher/utf8.h"
#include "ui/form1_clicks.h"
#include "ui/form1_geometry.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

using emscripten::val;

namespace {

// Above this, an engine cannot hold the cipher text as one string (V8's
// limit, the lowest of the engines, is 2^29 - 24 characters).
constexpr std::size_t kMostCharacters = 170'000'000;

// The clipboard's text as the page read it before the command, and the text
// the command writes, for the page to write. A page cannot learn of a copy
// made between the two: the browser tells of none.
class PageClipboard : public Clipboard {
public:
    // `characters`: the text's length, which alone crosses for a text too
    // long to take.
    void Hand(std::optional<std::u16string> text, std::size_t characters)
    {
        text_ = std::move(text);
        characters_ = characters;
    }

    // The page has its answer before the command runs, and asks nothing
    // more once "Quitter" was pressed: nothing to wait for here.
    ClipboardText ReadText(const std::function<bool()>&) override
    {
        if (characters_ > kMostCharacters)
            throw Failure(messages::kPageTooLong);
        std::optional<std::u16string> text = std::exchange(text_, std::nullopt);
        if (!text)
            throw Failure(messages::kNoText);
        return {std::move(*text), 0};
    }

    void WriteText(std::string_view utf8, Sensitivity, ClipboardMark) override { written = std::string(utf8); }

    std::optional<std::string> written;

private:
    std::optional<std::u16string> text_;
    std::size_t characters_ = 0;
};

// Form1's clicks for the page's whole life, so that one command runs at a
// time also across the page's asynchronous read and write.
class PageForm1 : public Form1Clicks {
public:
    // A click on the control at `index`, the key being the field's text at
    // the click. What the page is to do now: with `read`, read the
    // clipboard, hand its text to Run, do what that asks, then call End (or
    // End alone when no text comes). The key comes as UTF-16 code units,
    // copied straight into the module's memory, where it is wiped after use.
    val Press(int index, val keyUnits)
    {
        const form1::Command command = form1::kControls[index].click;
        if (!form1::ReadsClipboard(command)) {
            HandleClick(command);
            return Outcome();
        }
        if (!Begin(command))
            return Outcome();
        key_.assign(keyUnits["length"].as<std::size_t>(), u'\0');
        val(emscripten::typed_memory_view(key_.size(), reinterpret_cast<std::uint16_t*>(key_.data())))
            .call<void>("set", keyUnits);
        pressed_ = command;
        val outcome = Outcome();
        outcome.set("read", true);
        return outcome;
    }

    // Runs the command pressed over the clipboard's text, in UTF-8 bytes
    // (null: no text, or one over kMostCharacters, which the page does not
    // encode), of `characters` UTF-16 code units. The page encodes it at
    // once, and it crosses as one copy into the module's memory.
    val Run(val text, std::size_t characters)
    {
        std::optional<std::u16string> read;
        if (!text.isNull()) {
            std::string bytes(text["length"].as<std::size_t>(), '\0');
            val(emscripten::typed_memory_view(bytes.size(), reinterpret_cast<unsigned char*>(bytes.data())))
                .call<void>("set", text);
            read = utf8::ToUtf16(bytes);
        }
        clipboard_.Hand(std::move(read), characters);
        Finish(pressed_);
        return Outcome();
    }

    // The command is over: its key goes.
    void EndCommand()
    {
        End();
        Wipe(key_);
    }

private:
    static void Wipe(std::u16string& text)
    {
        std::fill(text.begin(), text.end(), u'\0');
        text.clear();
    }

    // What the page is to do, once.
    val Outcome()
    {
        val outcome = val::object();
        if (clipboard_.written) // as bytes, which the browser decodes at once
            outcome.set("write",
                        val::global("Uint8Array")
                            .new_(val(emscripten::typed_memory_view(
                                clipboard_.written->size(),
                                reinterpret_cast<const unsigned char*>(clipboard_.written->data())))));
        if (message_)
            outcome.set("message", *message_);
        outcome.set("openEditor", std::exchange(openEditor_, false));
        outcome.set("quit", std::exchange(quit_, false));
        clipboard_.written.reset();
        message_.reset();
        return outcome;
    }

    Clipboard& clipboard() override { return clipboard_; }
    std::u16string KeyText() const override { return key_; }
    void QuitProgram() override
    {
        quit_ = true;
        Wipe(key_);
    }
    void OpenTextEditor() override { openEditor_ = true; }
    void ShowFailure(std::string_view message) override { message_ = std::string(message); }
    bool WindowOpen() const override { return true; }

    PageClipboard clipboard_;
    std::u16string key_;
    form1::Command pressed_ = form1::Command::None;
    std::optional<std::string> message_;
    bool openEditor_ = false;
    bool quit_ = false;
};

// Form1's description, for the page to build the window from.
val Form1Description()
{
    val controls = val::array();
    for (const form1::Control& control : form1::kControls) {
        val entry = val::object();
        entry.set("name", std::string(control.name));
        entry.set("kind", control.kind);
        entry.set("text", std::string(control.text));
        const form1::Pixels place = form1::ToPixels(control.twips, 96); // CSS pixels: 15 twips each
        entry.set("left", place.left);
        entry.set("top", place.top);
        entry.set("width", place.width);
        entry.set("height", place.height);
        controls.call<void>("push", entry);
    }
    const form1::Pixels area = form1::ToPixels(form1::kClientArea, 96);
    val form = val::object();
    form.set("title", std::string(form1::kTitle));
    form.set("width", area.width);
    form.set("height", area.height);
    form.set("controls", controls);
    return form;
}

// Every button's caption fitted to its width (`width`, a function of the
// page, gives it by control) as `measure` gives a text's width at a size:
// the captions' font size and each control's lines.
val FitCaptions(int largest, int smallest, val width, val measure)
{
    const form1::FittedCaptions fitted = form1::FitCaptions(
        largest, smallest, [&width](std::size_t control) { return width(control).as<int>(); },
        [&measure](std::u16string_view text, int size) { return measure(std::u16string(text), size).as<int>(); });
    val lines = val::array();
    for (const std::vector<std::u16string>& control : fitted.lines) {
        val controlLines = val::array();
        for (const std::u16string& line : control)
            controlLines.call<void>("push", line);
        lines.call<void>("push", controlLines);
    }
    val result = val::object();
    result.set("fontSize", fitted.fontSize);
    result.set("lines", lines);
    return result;
}

// The page's own messages, in French as all others.
val Messages()
{
    val texts = val::object();
    texts.set("mayNotRead", std::string(messages::kPageMayNotRead));
    texts.set("mayNotWrite", std::string(messages::kPageMayNotWrite));
    texts.set("noTextRead", std::string(messages::kPageNoTextRead));
    texts.set("outOfMemory", std::string(messages::kOutOfMemory));
    texts.set("framed", std::string(messages::kPageFramed));
    texts.set("tabMayBeClosed", std::string(messages::kTabMayBeClosed));
    texts.set("tooLong", std::string(messages::kPageTooLong));
    texts.set("unexpected", std::string(messages::kUnexpected));
    return texts;
}

} // namespace

EMSCRIPTEN_BINDINGS(brouillamine)
{
    emscripten::enum_<form1::Kind>("Kind")
        .value("Button", form1::Kind::Button)
        .value("TextField", form1::Kind::TextField)
        .value("Label", form1::Kind::Label);
    emscripten::class_<PageForm1>("Page")
        .constructor<>()
        .function("press", &PageForm1::Press)
        .function("run", &PageForm1::Run)
        .function("end", &PageForm1::EndCommand)
        .function("quitting", emscripten::optional_override([](const PageForm1& page) { return page.Quitting(); }));
    emscripten::constant("mostCharacters", kMostCharacters);
    emscripten::function("form1Description", &Form1Description);
    emscripten::function("fitCaptions", &FitCaptions);
    emscripten::function("messages", &Messages);
}
