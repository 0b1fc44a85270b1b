#include "platform/xlsx/vml_markup.h"

#include <algorithm>
#include <cctype>

#include "platform/xlsx/package.h"

namespace quill::xlsx::detail {

namespace {

constexpr auto npos = std::string_view::npos;

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool is_name_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ':' || (c & 0x80); }
bool is_name_char(char c) {
    return is_name_start(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.';
}

// HTML's elements that never have content, so never an end tag.
bool is_html_empty(std::string_view name) {
    static const std::string_view names[] = {"br", "hr", "img", "meta", "link", "input", "area",
                                             "base", "col", "wbr", "param", "embed", "source", "track"};
    const std::string low = lower(name);
    return std::find(std::begin(names), std::end(names), low) != std::end(names);
}

class Reader {
public:
    explicit Reader(std::string_view text) : t_(text) { m_.xml.reserve(text.size() + 64); }

    VmlMarkup run() {
        while (i_ < t_.size()) {
            if (t_[i_] != '<') {
                const auto next = std::min(t_.find('<', i_), t_.size());
                m_.xml.append(t_.substr(i_, next - i_));
                i_ = next;
            } else if (starts("<!--")) {
                copy_through("-->", "comment");
            } else if (starts("<![CDATA[")) {
                copy_through("]]>", "CDATA section");
            } else if (starts("<?")) {
                copy_through("?>", "processing instruction");
            } else if (starts("<!")) {
                i_ = past(">", "declaration");  // conditional markup and the like: dropped
            } else if (starts("</")) {
                end_tag();
            } else if (i_ + 1 < t_.size() && is_name_start(t_[i_ + 1])) {
                start_tag();
            } else {
                m_.xml += "&lt;";
                ++i_;
            }
        }
        if (!root_seen_) fail("no root element");
        if (!open_.empty()) fail("<" + open_.back() + "> is not closed");
        return std::move(m_);
    }

private:
    bool starts(std::string_view s) const { return t_.substr(i_, s.size()) == s; }

    std::size_t past(std::string_view end, const char* what) const {
        const auto at = t_.find(end, i_);
        if (at == npos) fail(std::string("unterminated ") + what);
        return at + end.size();
    }

    void copy_through(std::string_view end, const char* what) {
        const auto e = past(end, what);
        m_.xml.append(t_.substr(i_, e - i_));
        i_ = e;
    }

    void end_tag() {
        const auto e = past(">", "end tag");
        std::string_view name = t_.substr(i_ + 2, e - 1 - (i_ + 2));
        while (!name.empty() && is_space(name.back())) name.remove_suffix(1);
        const auto it = std::find(open_.rbegin(), open_.rend(), name);
        if (it != open_.rend()) {
            // Elements left open inside the one closed here end where it ends.
            const std::size_t depth = static_cast<std::size_t>(open_.rend() - it) - 1;
            while (open_.size() > depth) {
                if (open_.size() == 2) m_.children.back().end = depth == 1 ? e : i_;
                if (open_.size() == 1) {
                    m_.root_close = i_;
                    root_done_ = true;
                }
                m_.xml += "</" + open_.back() + ">";
                open_.pop_back();
            }
        }
        i_ = e;
    }

    void start_tag() {
        std::size_t j = i_ + 1;
        while (j < t_.size() && is_name_char(t_[j])) ++j;
        const std::string name(t_.substr(i_ + 1, j - i_ - 1));
        std::string tag = "<" + name;
        std::vector<std::string_view> seen;
        bool closed = false;
        for (;;) {
            while (j < t_.size() && is_space(t_[j])) ++j;
            if (j >= t_.size()) fail("unterminated start tag <" + name + ">");
            if (t_[j] == '>') {
                ++j;
                break;
            }
            if (t_.substr(j, 2) == "/>") {
                closed = true;
                j += 2;
                break;
            }
            const std::size_t a = j;
            while (j < t_.size() && !is_space(t_[j]) && t_[j] != '=' && t_[j] != '>' && t_.substr(j, 2) != "/>") ++j;
            const std::string_view attr = t_.substr(a, j - a);
            if (attr.empty() || !is_name_start(attr.front())) {
                j = std::max(j, a + 1);  // stray characters between attributes
                continue;
            }
            std::size_t k = j;
            while (k < t_.size() && is_space(t_[k])) ++k;
            std::string_view value;
            char quote = '"';
            if (k < t_.size() && t_[k] == '=') {
                ++k;
                while (k < t_.size() && is_space(t_[k])) ++k;
                if (k < t_.size() && (t_[k] == '"' || t_[k] == '\'')) {
                    quote = t_[k];
                    const auto q = t_.find(quote, k + 1);
                    if (q == npos) fail("unterminated attribute value in <" + name + ">");
                    value = t_.substr(k + 1, q - k - 1);
                    j = q + 1;
                } else {
                    std::size_t v = k;
                    while (v < t_.size() && !is_space(t_[v]) && t_[v] != '>') ++v;
                    value = t_.substr(k, v - k);
                    if (value.find('"') != npos) quote = '\'';
                    j = v;
                }
            }
            if (std::find(seen.begin(), seen.end(), attr) != seen.end()) continue;
            seen.push_back(attr);
            tag.append(" ").append(attr).append("=").append(1, quote).append(value).append(1, quote);
        }
        const bool empty = closed || is_html_empty(name);
        tag += empty ? "/>" : ">";
        if (!root_seen_) {
            root_seen_ = true;
            m_.root_tag_end = j - 1;
            m_.root_empty = empty;
            root_done_ = empty;
        } else if (root_done_) {
            fail("markup after the root element");
        } else if (open_.size() == 1) {
            m_.children.push_back({i_, empty ? j : npos});
        }
        if (!empty) open_.push_back(name);
        m_.xml += tag;
        i_ = j;
    }

    std::string_view t_;
    std::size_t i_ = 0;
    VmlMarkup m_{};
    std::vector<std::string> open_;
    bool root_seen_ = false, root_done_ = false;
};

}  // namespace

VmlMarkup read_vml_markup(std::string_view text) { return Reader(text).run(); }

}  // namespace quill::xlsx::detail
