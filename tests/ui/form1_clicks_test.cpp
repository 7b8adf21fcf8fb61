#include "cipher/clipboard.h"
#include "cipher/failure.h"
#include "cipher/messages.h"
#include "ui/form1_clicks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <system_error>
#include <vector>

using form1::Command;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

// A clipboard whose every change gets a new mark, as the contract asks.
class FakeClipboard : public Clipboard {
public:
    ClipboardText ReadText(const std::function<bool()>& keepWaiting) override
    {
        ++reads;
        ClipboardText read{text, mark};
        if (whileReading)
            whileReading();
        if (!keepWaiting())
            throw Failure(messages::kUnreadable);
        return read;
    }

    void WriteText(std::string_view utf8, Sensitivity sensitivity, ClipboardMark readFrom) override
    {
        if (readFrom != mark)
            throw Failure(messages::kCopiedMeanwhile);
        Copy(std::u16string(utf8.begin(), utf8.end())); // the tests' texts are ASCII
        written = sensitivity;
    }

    void Copy(std::u16string newText)
    {
        text = std::move(newText);
        ++mark;
    }

    std::u16string text;
    ClipboardMark mark = 1;
    int reads = 0;
    std::optional<Sensitivity> written;
    std::function<void()> whileReading; // once the text is read: another program, or the user
};

class FakeForm1 : public Form1Clicks {
public:
    using Form1Clicks::HandleClick;

    FakeClipboard fakeClipboard;
    std::u16string key = u"k";
    bool open = true;
    int quits = 0;
    int editors = 0;
    bool editorFails = false;
    std::vector<std::string> shown;

private:
    Clipboard& clipboard() override { return fakeClipboard; }
    std::u16string KeyText() const override { return key; }
    void QuitProgram() override { ++quits; }
    void OpenTextEditor() override
    {
        if (editorFails)
            throw Failure(messages::kNoEditor);
        ++editors;
    }
    void ShowFailure(std::string_view message) override { shown.emplace_back(message); }
    bool WindowOpen() const override { return open; }
};

class Form1ClicksTest : public testing::Test {
protected:
    FakeForm1 form;
};

TEST_F(Form1ClicksTest, OnlyADecipheredTextIsSecret)
{
    form.fakeClipboard.text = u"A";
    form.HandleClick(Command::EncryptClipboard);
    EXPECT_EQ(form.fakeClipboard.text, u"042");
    EXPECT_EQ(form.fakeClipboard.written, Sensitivity::Plain);
    form.HandleClick(Command::DecryptClipboard);
    EXPECT_EQ(form.fakeClipboard.text, u"A");
    EXPECT_EQ(form.fakeClipboard.written, Sensitivity::Secret);
    EXPECT_THAT(form.shown, IsEmpty());
}

TEST_F(Form1ClicksTest, AFailureWritesNothingAndIsShownOnce)
{
    form.fakeClipboard.text = u"Bonjour";
    form.key.clear();
    form.HandleClick(Command::EncryptClipboard);
    EXPECT_EQ(form.fakeClipboard.text, u"Bonjour");
    EXPECT_FALSE(form.fakeClipboard.written);
    ASSERT_EQ(form.shown.size(), 1u);
    EXPECT_THAT(form.shown[0], HasSubstr("La clé est vide"));
}

TEST_F(Form1ClicksTest, OutOfMemoryIsReportedAsSuch)
{
    form.fakeClipboard.whileReading = [] { throw std::bad_alloc(); };
    form.HandleClick(Command::DecryptClipboard);
    EXPECT_THAT(form.shown, ElementsAre(messages::kOutOfMemory));
    EXPECT_FALSE(form.fakeClipboard.written);
}

TEST_F(Form1ClicksTest, ACopyMadeMeanwhileIsKeptAndReported)
{
    form.fakeClipboard.text = u"ancien";
    form.fakeClipboard.whileReading = [this] {
        form.fakeClipboard.whileReading = nullptr;
        form.fakeClipboard.Copy(u"nouveau");
    };
    form.HandleClick(Command::EncryptClipboard);
    EXPECT_EQ(form.fakeClipboard.text, u"nouveau");
    EXPECT_THAT(form.shown, ElementsAre(messages::kCopiedMeanwhile));
}

// A click while a command waits for the clipboard would run a second
// command inside the first; "Quitter" ends the program, and the command
// gives up, writing and showing nothing.
TEST_F(Form1ClicksTest, OnlyQuitterCountsDuringACommand)
{
    form.fakeClipboard.text = u"A";
    form.fakeClipboard.whileReading = [this] {
        for (Command command :
             {Command::EncryptClipboard, Command::DecryptClipboard, Command::OpenTextEditor})
            form.HandleClick(command);
    };
    form.HandleClick(Command::EncryptClipboard);
    EXPECT_EQ(form.fakeClipboard.reads, 1);
    EXPECT_EQ(form.editors, 0);
    EXPECT_EQ(form.fakeClipboard.text, u"042");
    form.fakeClipboard.whileReading = [this] { form.HandleClick(Command::QuitProgram); };
    form.HandleClick(Command::EncryptClipboard);
    EXPECT_EQ(form.quits, 1);
    EXPECT_EQ(form.fakeClipboard.text, u"042");
    EXPECT_THAT(form.shown, IsEmpty());
}

TEST_F(Form1ClicksTest, AnUnexpectedErrorIsShownPlainly)
{
    form.fakeClipboard.whileReading
        = [] { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); };
    form.HandleClick(Command::EncryptClipboard);
    EXPECT_THAT(form.shown, ElementsAre(messages::kUnexpected));
    EXPECT_FALSE(form.fakeClipboard.written);
}

// Closing the window gives up the read, and nothing more is shown.
TEST_F(Form1ClicksTest, AWindowClosedDuringTheReadEndsItSilently)
{
    form.fakeClipboard.text = u"A";
    form.fakeClipboard.whileReading = [this] { form.open = false; };
    form.HandleClick(Command::EncryptClipboard);
    EXPECT_EQ(form.fakeClipboard.text, u"A");
    EXPECT_THAT(form.shown, IsEmpty());
}

TEST_F(Form1ClicksTest, TheEditorsFailureIsShown)
{
    form.HandleClick(Command::OpenTextEditor);
    form.editorFails = true;
    form.HandleClick(Command::OpenTextEditor);
    EXPECT_EQ(form.editors, 1);
    EXPECT_THAT(form.shown, ElementsAre(messages::kNoEditor));
}

} // namespace
