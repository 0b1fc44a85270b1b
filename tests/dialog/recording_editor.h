#pragma once
// The portable editor behind a decorator that logs every call by member name
// ("SelBold" for a read, "SelBold=" for a write) and fails the members named
// in `fail`, so tests can check call order and the failure paths.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/host_fixture.h"

namespace quill::testing {

class RecordingEditor final : public dialog::RichTextEditor {
public:
    explicit RecordingEditor(std::shared_ptr<memory::RichText> doc) : doc_(std::move(doc)) {}
    memory::RichText& doc() { return *doc_; }
    std::vector<std::string> calls;
    std::set<std::string> fail;

#define QUILL_GET(T, M)                 \
    T M() override {                    \
        enter(#M);                      \
        return doc_->M();               \
    }
#define QUILL_SET(T, M)                 \
    void M(T v) override {              \
        enter(#M "=");                  \
        doc_->M(v);                     \
    }
    QUILL_GET(std::u16string, Text)
    QUILL_SET(const std::u16string&, Text)
    QUILL_GET(std::int32_t, SelStart)
    QUILL_SET(std::int32_t, SelStart)
    QUILL_GET(std::int32_t, SelLength)
    QUILL_SET(std::int32_t, SelLength)
    QUILL_GET(std::u16string, SelText)
    QUILL_GET(std::optional<std::u16string>, SelFontName)
    QUILL_SET(const std::u16string&, SelFontName)
    QUILL_GET(std::optional<float>, SelFontSize)
    QUILL_SET(float, SelFontSize)
    QUILL_GET(std::optional<std::int32_t>, SelColor)
    QUILL_SET(std::int32_t, SelColor)
    QUILL_GET(std::optional<bool>, SelBold)
    QUILL_SET(bool, SelBold)
    QUILL_GET(std::optional<bool>, SelItalic)
    QUILL_SET(bool, SelItalic)
    QUILL_GET(std::optional<bool>, SelUnderline)
    QUILL_SET(bool, SelUnderline)
    QUILL_GET(std::optional<bool>, SelStrikeThru)
    QUILL_SET(bool, SelStrikeThru)
    QUILL_SET(const std::u16string&, TypeText)
    QUILL_GET(bool, Enabled)
    QUILL_SET(bool, Enabled)
    QUILL_GET(float, Left)
    QUILL_GET(float, Top)
    QUILL_SET(float, Top)
    QUILL_GET(float, Width)
    QUILL_SET(float, Width)
    QUILL_GET(float, Height)
    QUILL_SET(float, Height)
    QUILL_GET(bool, HideSelection)
    QUILL_SET(bool, HideSelection)
#undef QUILL_GET
#undef QUILL_SET
    void OnDblClick(std::function<void()> handler) override { doc_->OnDblClick(std::move(handler)); }

private:
    void enter(const std::string& member) {
        calls.push_back(member);
        if (fail.count(member)) throw HostError(5, u"Invalid procedure call or argument");
    }
    std::shared_ptr<memory::RichText> doc_;
};

// A HostFixture whose form's editor is a RecordingEditor over the portable one.
struct RecordingFixture : HostFixture {
    RecordingFixture() {
        dialog::FormServices s = form->Services();
        s.make_editor = [this](const dialog::LayoutRow& layout_row) {
            recorder = std::make_shared<RecordingEditor>(memory::MakeRichText(layout_row));
            return recorder;
        };
        auto on_event = form->on_event;
        form = std::make_shared<dialog::frmAddIn>(std::move(s));
        form->on_event = on_event;
        form->xlapp = excel->application();
    }
    std::shared_ptr<RecordingEditor> recorder;
};

}  // namespace quill::testing
