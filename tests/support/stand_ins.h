#pragma once
// Stand-ins for the dialog's ports that the form tests and the fault sweep
// share: each logs its calls by name in a CallLog, which can make any of them
// fail.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialog/frm_add_in.h"
#include "platform/memory/call_log.h"
#include "platform/memory/rich_text.h"

namespace quill::testing {

using memory::CallLog;

// What the stand-ins' injected failures throw unless a test says otherwise.
inline constexpr std::int32_t kInvalidNumber = 5;
inline constexpr const char16_t* kInvalidCall = u"Invalid procedure call or argument";

struct ShownBox {
    std::u16string text;
    MsgButtons buttons;
    std::u16string title;
    bool operator==(const ShownBox&) const = default;
};
inline void PrintTo(const ShownBox& b, std::ostream* os) { *os << to_utf8(b.title + u": " + b.text); }

// Records every box asked for, including one whose call fails ("MsgBox" in
// `log`); answers from `answers` in order, then OK (or Yes).
class ScriptedMessageBox final : public MessageBoxPort {
public:
    MsgAnswer Show(const std::u16string& text, MsgButtons buttons, const std::u16string& title) override {
        shown.push_back({text, buttons, title});
        log->enter("MsgBox");
        if (answers.empty()) return buttons == MsgButtons::OK ? MsgAnswer::OK : MsgAnswer::Yes;
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<ShownBox> shown;
    std::deque<MsgAnswer> answers;
    std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
};

// Knows the pictures in `files` (path -> pixel size); fails for any other.
class FakePictureLoader final : public dialog::PictureLoader {
public:
    std::shared_ptr<const dialog::Picture> LoadPicture(const std::u16string& path) override {
        if (path.empty()) return nullptr;
        auto it = files.find(path);
        if (it == files.end()) throw HostError(53, u"File not found");
        return std::make_shared<dialog::Picture>(dialog::Picture{it->second.first, it->second.second, path});
    }
    std::map<std::u16string, std::pair<std::int32_t, std::int32_t>> files;
};

// The portable editor behind a decorator that logs every member by name
// ("SelBold" for a read, "SelBold=" for a write).
class RecordingEditor final : public dialog::RichTextEditor {
public:
    RecordingEditor(std::shared_ptr<memory::RichText> doc, std::shared_ptr<CallLog> log)
        : log(std::move(log)), doc_(std::move(doc)) {}
    memory::RichText& doc() { return *doc_; }
    std::shared_ptr<CallLog> log;

#define QUILL_GET(T, M) T M() override { return log->enter(#M), doc_->M(); }
#define QUILL_SET(T, M) void M(T v) override { log->enter(#M "="), doc_->M(v); }
#define QUILL_PROP(G, S, M) QUILL_GET(G, M) QUILL_SET(S, M)
    QUILL_PROP(std::u16string, const std::u16string&, Text)
    QUILL_PROP(std::int32_t, std::int32_t, SelStart)
    QUILL_PROP(std::int32_t, std::int32_t, SelLength)
    QUILL_GET(std::u16string, SelText)
    QUILL_PROP(std::optional<std::u16string>, const std::u16string&, SelFontName)
    QUILL_PROP(std::optional<float>, float, SelFontSize)
    QUILL_PROP(std::optional<std::int32_t>, std::int32_t, SelColor)
    QUILL_PROP(std::optional<bool>, bool, SelBold)
    QUILL_PROP(std::optional<bool>, bool, SelItalic)
    QUILL_PROP(std::optional<bool>, bool, SelUnderline)
    QUILL_PROP(std::optional<bool>, bool, SelStrikeThru)
    QUILL_SET(const std::u16string&, TypeText)
    QUILL_PROP(bool, bool, Enabled)
    QUILL_GET(float, Left)
    QUILL_PROP(float, float, Top)
    QUILL_PROP(float, float, Width)
    QUILL_PROP(float, float, Height)
    QUILL_PROP(bool, bool, HideSelection)
#undef QUILL_PROP
#undef QUILL_GET
#undef QUILL_SET
    // Wiring, not a call of the control's.
    void OnDblClick(std::function<void()> handler) override { doc_->OnDblClick(std::move(handler)); }

private:
    std::shared_ptr<memory::RichText> doc_;
};

}  // namespace quill::testing
