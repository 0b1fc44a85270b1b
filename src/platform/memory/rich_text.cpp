#include "platform/memory/rich_text.h"

#include <cmath>
#include <limits>

#include "ports/host_error.h"

namespace quill::memory {

namespace {
constexpr std::int32_t kInvalidPropertyValue = 380;
HostError invalid_value() { return HostError(kInvalidPropertyValue, u"Invalid property value"); }

std::int32_t checked_length(std::size_t n) {
    if (n > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw HostError(err::kOutOfMemory, u"Out of memory");
    return static_cast<std::int32_t>(n);
}

// The editor knows underlining only as on or off.
bool underlined(const CharFont& f) { return f.underline != host::xlUnderlineStyleNone; }
}  // namespace

RichText::Summary RichText::summary_of(const CharFont& f) {
    return {f.name, static_cast<float>(f.size), f.color, f.bold, f.italic, underlined(f), f.strikethrough};
}

RichText::RichText(EditorGeometry geometry) : geometry_(geometry) { empty_format_ = intern(editor_default_font()); }

RichText::FormatId RichText::intern(const CharFont& format) {
    auto [it, added] = format_ids_.try_emplace(format, static_cast<FormatId>(formats_.size()));
    if (added) formats_.push_back(format);
    return it->second;
}

std::map<std::int32_t, std::uint32_t>::const_iterator RichText::run_at(std::int32_t position) const {
    auto holds = [&](std::map<std::int32_t, FormatId>::const_iterator it) {
        if (it == runs_.end() || it->first > position) return false;
        const auto next = std::next(it);
        return next == runs_.end() || next->first > position;
    };
    if (cursor_valid_) {
        if (holds(cursor_)) return cursor_;
        if (const auto next = std::next(cursor_); holds(next)) return cursor_ = next;
    }
    cursor_ = std::prev(runs_.upper_bound(position));  // a run starts at 0 whenever there is text
    cursor_valid_ = true;
    return cursor_;
}

RichText::FormatId RichText::id_at(std::int32_t position) const { return run_at(position)->second; }

const CharFont& RichText::FormatAt(std::int32_t position) const {
    if (position < 0 || position >= length()) throw invalid_value();
    return formats_[id_at(position)];
}

RichText::FormatId RichText::insertion_id() const {
    if (pending_) return *pending_;
    if (text_.empty()) return empty_format_;
    return id_at(sel_start_ > 0 ? sel_start_ - 1 : 0);
}

void RichText::Text(const std::u16string& text) {
    checked_length(text.size());
    text_ = text;
    // Nothing refers to an old format any more: start the pool afresh so a
    // long session does not keep every format it ever saw.
    formats_.clear();
    format_ids_.clear();
    empty_format_ = intern(editor_default_font());
    runs_changed();
    runs_.clear();
    if (!text_.empty()) runs_.emplace(0, empty_format_);
    sel_start_ = 0;
    sel_length_ = 0;
    moved();
}

void RichText::SelStart(std::int32_t start) {
    if (start < 0) throw invalid_value();
    sel_start_ = std::min(start, length());
    sel_length_ = 0;
    moved();
}

void RichText::SelLength(std::int32_t length_) {
    if (length_ < 0) throw invalid_value();
    sel_length_ = std::min(length_, length() - sel_start_);
    moved();
}

std::u16string RichText::SelText() { return text_.substr(static_cast<std::size_t>(sel_start_), static_cast<std::size_t>(sel_length_)); }

const RichText::Summary& RichText::summary() {
    if (summary_) return *summary_;
    Summary s;
    if (sel_length_ == 0) {
        s = summary_of(formats_[insertion_id()]);
    } else {
        auto it = run_at(sel_start_);
        s = summary_of(formats_[it->second]);
        const std::int32_t end = sel_start_ + sel_length_;
        auto drop = [](auto& slot, const auto& value) {
            if (slot && *slot != value) slot.reset();
        };
        for (++it; it != runs_.end() && it->first < end; ++it) {
            const CharFont& f = formats_[it->second];
            drop(s.name, f.name);
            drop(s.size, static_cast<float>(f.size));
            drop(s.color, f.color);
            drop(s.bold, f.bold);
            drop(s.italic, f.italic);
            drop(s.underline, underlined(f));
            drop(s.strike, f.strikethrough);
            if (!s.name && !s.size && !s.color && !s.bold && !s.italic && !s.underline && !s.strike) break;
        }
    }
    summary_ = std::move(s);
    return *summary_;
}

void RichText::split_at(std::int32_t position) {
    if (position <= 0 || position >= length()) return;
    auto next = runs_.upper_bound(position);
    auto run = std::prev(next);
    runs_changed();
    if (run->first != position) runs_.emplace_hint(next, position, run->second);
}

// Merges neighbouring runs of equal format whose starts lie in [from, to].
void RichText::coalesce(std::int32_t from, std::int32_t to) {
    auto it = runs_.lower_bound(from);
    if (it != runs_.begin()) --it;  // the run before may now match the first one
    while (it != runs_.end()) {
        auto next = std::next(it);
        if (next == runs_.end() || next->first > to) break;
        if (next->second == it->second) {
            runs_changed();
            runs_.erase(next);
        } else {
            it = next;
        }
    }
}

void RichText::apply(const std::function<void(CharFont&)>& change) {
    summary_.reset();
    if (sel_length_ == 0) {
        CharFont f = formats_[insertion_id()];
        change(f);
        pending_ = intern(f);
        if (text_.empty()) empty_format_ = *pending_;
        return;
    }
    const std::int32_t end = sel_start_ + sel_length_;
    split_at(sel_start_);
    split_at(end);
    for (auto it = runs_.find(sel_start_); it != runs_.end() && it->first < end; ++it) {
        CharFont f = formats_[it->second];
        change(f);
        it->second = intern(f);
    }
    coalesce(sel_start_, end);
}

void RichText::TypeText(const std::u16string& text) {
    if (sel_length_ == 0 && text.empty()) return;
    const std::int32_t inserted = checked_length(text.size());
    checked_length(text_.size() - static_cast<std::size_t>(sel_length_) + text.size());
    const std::int32_t a = sel_start_;
    const std::int32_t b = sel_start_ + sel_length_;
    const FormatId typed = sel_length_ == 0 ? insertion_id() : id_at(a);
    const std::int32_t delta = inserted - sel_length_;

    std::vector<std::pair<std::int32_t, FormatId>> out;
    out.reserve(runs_.size() + 2);
    auto push = [&](std::int32_t start, FormatId id) {
        if (!out.empty() && out.back().first == start) out.pop_back();
        if (!out.empty() && out.back().second == id) return;
        out.emplace_back(start, id);
    };
    for (auto it = runs_.begin(); it != runs_.end() && it->first < a; ++it) push(it->first, it->second);
    if (inserted > 0) push(a, typed);
    if (b < length()) {
        auto it = std::prev(runs_.upper_bound(b));
        push(b + delta, it->second);
        for (++it; it != runs_.end(); ++it) push(it->first + delta, it->second);
    }
    runs_changed();
    runs_.clear();
    for (const auto& [start, id] : out) runs_.emplace_hint(runs_.end(), start, id);

    text_.replace(static_cast<std::size_t>(a), static_cast<std::size_t>(sel_length_), text);
    if (text_.empty()) empty_format_ = typed;
    sel_start_ = a + inserted;
    sel_length_ = 0;
    moved();
}

std::optional<std::u16string> RichText::SelFontName() { return summary().name; }
std::optional<float> RichText::SelFontSize() { return summary().size; }
std::optional<std::int32_t> RichText::SelColor() { return summary().color; }
std::optional<bool> RichText::SelBold() { return summary().bold; }
std::optional<bool> RichText::SelItalic() { return summary().italic; }
std::optional<bool> RichText::SelUnderline() { return summary().underline; }
std::optional<bool> RichText::SelStrikeThru() { return summary().strike; }

void RichText::SelFontName(const std::u16string& name) {
    if (name.empty()) throw invalid_value();
    apply([&](CharFont& f) { f.name = name; });
}
void RichText::SelFontSize(float points) {
    if (!(points >= 1.0f && points <= 1638.0f)) throw invalid_value();  // NaN fails too
    apply([&](CharFont& f) { f.size = points; });
}
void RichText::SelColor(std::int32_t color) {
    apply([&](CharFont& f) { f.color = color; });
}
void RichText::SelBold(bool on) {
    apply([&](CharFont& f) { f.bold = on; });
}
void RichText::SelItalic(bool on) {
    apply([&](CharFont& f) { f.italic = on; });
}
void RichText::SelUnderline(bool on) {
    apply([&](CharFont& f) { f.underline = on ? host::xlUnderlineStyleSingle : host::xlUnderlineStyleNone; });
}
void RichText::SelStrikeThru(bool on) {
    apply([&](CharFont& f) { f.strikethrough = on; });
}

void RichText::Width(float twips) {
    if (!(twips >= 0)) throw invalid_value();
    geometry_.width = twips;
}
void RichText::Height(float twips) {
    if (!(twips >= 0)) throw invalid_value();
    geometry_.height = twips;
}

void RichText::FireDblClick() {
    if (dbl_click_) dbl_click_();
}

std::shared_ptr<RichText> MakeRichText(const dialog::LayoutRow& layout_row) {
    return std::make_shared<RichText>(EditorGeometry{layout_row.left, layout_row.top, layout_row.width, layout_row.height});
}

}  // namespace quill::memory
