#include "platform/memory/formatted_text.h"

#include <algorithm>
#include <functional>

namespace quill::memory {

std::size_t FormattedText::FontHash::operator()(const CharFont& f) const noexcept {
    std::size_t h = std::hash<std::u16string>{}(f.name);
    auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
    mix(std::hash<double>{}(f.size));
    mix((f.bold ? 1u : 0u) | (f.italic ? 2u : 0u) | (f.strikethrough ? 4u : 0u));
    mix(static_cast<std::uint32_t>(f.underline));
    mix(static_cast<std::uint32_t>(f.color));
    return h;
}

FormattedText::FormattedText(CharFont base) : base_(std::move(base)) {}

FormattedText::FormattedText(std::u16string text, const CharFont& font) { assign(std::move(text), font); }

void FormattedText::assign(std::u16string text, const CharFont& font) {
    text_ = std::move(text);
    fonts_.clear();
    index_.clear();
    base_ = font;
    ids_.assign(text_.size(), intern(font));
}

void FormattedText::append(std::u16string_view text, const CharFont& font) {
    const std::uint32_t id = intern(font);
    text_.append(text);
    ids_.resize(text_.size(), id);
}

const CharFont& FormattedText::font_at(std::size_t i) const noexcept {
    if (ids_.empty()) return base_;
    return fonts_[ids_[std::min(i, ids_.size() - 1)]];
}

void FormattedText::set_font(std::size_t pos, std::size_t len, const CharFont& font) {
    clip(pos, len);
    if (len == 0) return;
    const std::uint32_t id = intern(font);
    std::fill(ids_.begin() + static_cast<std::ptrdiff_t>(pos), ids_.begin() + static_cast<std::ptrdiff_t>(pos + len),
              id);
}

std::vector<TextRun> FormattedText::runs() const {
    std::vector<TextRun> out;
    for (std::size_t i = 0; i < text_.size();) {
        std::size_t j = i + 1;
        while (j < text_.size() && fonts_[ids_[j]] == fonts_[ids_[i]]) ++j;
        out.push_back(TextRun{text_.substr(i, j - i), fonts_[ids_[i]]});
        i = j;
    }
    return out;
}

bool operator==(const FormattedText& a, const FormattedText& b) { return a.text_ == b.text_ && a.runs() == b.runs(); }

std::uint32_t FormattedText::intern(const CharFont& f) {
    auto [it, added] = index_.try_emplace(f, static_cast<std::uint32_t>(fonts_.size()));
    if (added) fonts_.push_back(f);
    return it->second;
}

void FormattedText::clip(std::size_t& pos, std::size_t& len) const noexcept {
    pos = std::min(pos, text_.size());
    len = std::min(len, text_.size() - pos);
}

}  // namespace quill::memory
