// Brouillamine in a browser. The road of a click: the page (page.js) builds
// Form1 from the description this module exports; a click on a button reads
// the clipboard first when its command needs it, as the browser hands the
// clipboard over only asynchronously, then calls Click here, which runs the
// shared Form1Commands::HandleClick over that text. What the command asks of
// the page (the text to write, a message, the editor, the end) comes back
// as one object, which the page carries out.

#include "cipher/clipboard.h"
#include "cipher/failure.h"
#include "cipher/messages.h"
#include "cipher/utf8.h"
#include "ui/form1_commands.h"
#include "ui/form1_geometry.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <optional>
#include <string>

using emscripten::val;

namespace {

// The clipboard's text as the page read it before the command, and the text
// the command writes, for the page to write. A page cannot learn of a copy
// made between the two: the browser tells of none.
class PageClipboard : public Clipboard {
public:
    explicit PageClipboard(std::optional<std::u16string> text)
        : text_(std::move(text))
    {
    }

    ClipboardText ReadText(const std::function<bool()>&) override
    {
        if (!text_)
            throw Failure(messages::kNoText);
        return {std::move(*text_), 0};
    }

    void WriteText(std::string_view utf8, Sensitivity, ClipboardMark) override
    {
        written = std::string(utf8);
    }

    std::optional<std::string> written;

private:
    std::optional<std::u16string> text_;
};

class PageForm1 : public Form1Commands {
public:
    PageForm1(std::optional<std::u16string> text, std::u16string key)
        : clipboard_(std::move(text))
        , key_(std::move(key))
    {
    }

    using Form1Commands::HandleClick;

    // What the page is to do now.
    [[nodiscard]] val Outcome() const
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
        outcome.set("openEditor", openEditor_);
        outcome.set("quit", quit_);
        return outcome;
    }

private:
    Clipboard& clipboard() override { return clipboard_; }
    std::u16string KeyText() const override { return key_; }
    void QuitProgram() override { quit_ = true; }
    void OpenTextEditor() override { openEditor_ = true; }
    void ShowFailure(std::string_view message) override { message_ = std::string(message); }
    bool WindowOpen() const override { return true; }

    PageClipboard clipboard_;
    std::u16string key_;
    std::optional<std::string> message_;
    bool openEditor_ = false;
    bool quit_ = false;
};

// Runs the click on the control at `index` of the description, the
// clipboard's text being `text`, in UTF-8 (null when the command does not
// read it). The page encodes it at once, and it crosses as one copy of
// bytes into the module's memory.
val Click(int index, val text, std::u16string key)
{
    std::optional<std::u16string> read;
    if (!text.isNull() && !text.isUndefined()) {
        std::string bytes(text["length"].as<std::size_t>(), '\0');
        val(emscripten::typed_memory_view(bytes.size(), reinterpret_cast<unsigned char*>(bytes.data())))
            .call<void>("set", text);
        read = utf8::ToUtf16(bytes);
    }
    PageForm1 form(std::move(read), std::move(key));
    form.HandleClick(form1::kControls[index].click);
    return form.Outcome();
}

const char* CommandName(form1::Command command)
{
    switch (command) {
    case form1::Command::EncryptClipboard:
        return "EncryptClipboard";
    case form1::Command::DecryptClipboard:
        return "DecryptClipboard";
    case form1::Command::QuitProgram:
        return "QuitProgram";
    case form1::Command::OpenTextEditor:
        return "OpenTextEditor";
    case form1::Command::None:
        break;
    }
    return "";
}

// Form1's description, for the page to build the window from.
val Form1()
{
    val controls = val::array();
    for (const form1::Control& control : form1::kControls) {
        val entry = val::object();
        entry.set("name", std::string(control.name));
        entry.set("kind",
                  std::string(control.kind == form1::Kind::Button          ? "button"
                                  : control.kind == form1::Kind::TextField ? "field"
                                                                           : "label"));
        entry.set("text", std::string(control.text));
        const form1::Pixels place = form1::ToPixels(control.twips, 96); // CSS pixels: 15 twips each
        entry.set("left", place.left);
        entry.set("top", place.top);
        entry.set("width", place.width);
        entry.set("height", place.height);
        entry.set("command", std::string(CommandName(control.click)));
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

// The lines of a caption that fits in `width` pixels as `measure` (a
// function of the page) gives a text's width.
val WrapCaption(std::u16string caption, int width, val measure)
{
    val lines = val::array();
    for (const std::u16string& line :
         form1::WrapCaption(caption, width, [&measure](std::u16string_view text) {
             return measure(std::u16string(text)).as<int>();
         }))
        lines.call<void>("push", line);
    return lines;
}

// The page's own messages, in French as all others.
val Messages()
{
    val texts = val::object();
    texts.set("mayNotRead", std::string(messages::kPageMayNotRead));
    texts.set("mayNotWrite", std::string(messages::kPageMayNotWrite));
    texts.set("tabMayBeClosed", std::string(messages::kTabMayBeClosed));
    return texts;
}

} // namespace

EMSCRIPTEN_BINDINGS(brouillamine)
{
    emscripten::function("click", &Click);
    emscripten::function("form1", &Form1);
    emscripten::function("wrapCaption", &WrapCaption);
    emscripten::function("messages", &Messages);
}
