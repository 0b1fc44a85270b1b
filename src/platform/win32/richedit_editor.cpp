#include "platform/win32/richedit_editor.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

#include "host/host_error.h"
#include "platform/win32/errors.h"
#include "platform/win32/window_common.h"

namespace quill::win32 {

namespace {

HostError invalid_value() { return HostError(380, u"Invalid property value"); }

constexpr wchar_t kDefaultFace[] = L"Arial";
constexpr LONG kDefaultHeight = 200;  // twips: 10 points
struct StreamSource {
    const char* at;
    std::size_t left;  // bytes
};

DWORD CALLBACK stream_out_of(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got) {
    auto* s = reinterpret_cast<StreamSource*>(cookie);
    const std::size_t n = std::min(s->left, static_cast<std::size_t>(wanted));
    std::memcpy(buffer, s->at, n);
    s->at += n;
    s->left -= n;
    *got = static_cast<LONG>(n);
    return 0;
}

// The window property that leads the subclass procedure to its editor.
constexpr wchar_t kEditorProp[] = L"Quillette.RichEditEditor";

// The RichEdit class, its DLL loaded once and kept: windows of the class may
// live as long as the process.
const wchar_t* richedit_class() {
    static const wchar_t* const name = []() -> const wchar_t* {
        if (LoadLibraryW(L"msftedit.dll")) return MSFTEDIT_CLASS;
        if (LoadLibraryW(L"riched20.dll")) return RICHEDIT_CLASSW;
        return nullptr;
    }();
    if (!name) throw HostError(429, u"ActiveX component can't create object");
    return name;
}

// One hidden window per thread holds the controls that no form window has
// adopted; it goes when the last of them does.
struct Parking {
    HWND hwnd = nullptr;
    int users = 0;
};
thread_local Parking parking;

HWND parking_window() {
    if (!parking.hwnd) {
        parking.hwnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                       window_instance(), nullptr);
        if (!parking.hwnd) throw_hresult(HRESULT_FROM_WIN32(GetLastError()), u"The editor cannot be created.");
    }
    ++parking.users;
    return parking.hwnd;
}

void leave_parking() noexcept {
    if (--parking.users == 0 && parking.hwnd) {
        DestroyWindow(parking.hwnd);
        parking.hwnd = nullptr;
    }
}

CHARFORMAT2W empty_format() {
    CHARFORMAT2W f{};
    f.cbSize = sizeof f;
    return f;
}

CHARFORMAT2W default_format() {
    CHARFORMAT2W f = empty_format();
    f.dwMask = CFM_FACE | CFM_SIZE | CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_CHARSET;
    f.dwEffects = 0;  // and not CFE_AUTOCOLOR: black is a colour of its own
    f.yHeight = kDefaultHeight;
    f.crTextColor = 0;
    f.bCharSet = DEFAULT_CHARSET;
    lstrcpynW(f.szFaceName, kDefaultFace, LF_FACESIZE);
    return f;
}

}  // namespace

// --- positions -----------------------------------------------------------------

std::int32_t RichEditEditor::TextMap::to_port(std::int32_t control_pos) const {
    const auto before = std::lower_bound(marks.begin(), marks.end(), control_pos) - marks.begin();
    return control_pos + static_cast<std::int32_t>(before);
}

std::int32_t RichEditEditor::TextMap::ceil(std::int32_t port_pos) const {
    // Mark k's LF sits at port position marks[k] + k + 1; every mark whose LF
    // lies before port_pos is wholly before it.
    std::int32_t lo = 0, hi = static_cast<std::int32_t>(marks.size());
    while (lo < hi) {
        const std::int32_t mid = (lo + hi) / 2;
        if (marks[static_cast<std::size_t>(mid)] + mid + 1 < port_pos) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return port_pos - lo;
}

std::int32_t RichEditEditor::TextMap::floor(std::int32_t port_pos) const {
    const std::int32_t c = ceil(port_pos);
    const std::int32_t k = port_pos - c;  // marks wholly before
    const bool on_lf = k < static_cast<std::int32_t>(marks.size()) && marks[static_cast<std::size_t>(k)] + k + 1 == port_pos;
    return on_lf ? c - 1 : c;
}

std::u16string RichEditEditor::TextMap::port_text() const {
    std::u16string out;
    out.reserve(control.size() + marks.size());
    for (char16_t ch : control) {
        out += ch;
        if (ch == u'\r') out += u'\n';
    }
    return out;
}

// --- life ------------------------------------------------------------------------

RichEditEditor::RichEditEditor(const dialog::LayoutRow& layout_row)
    : left_(layout_row.left), top_(layout_row.top), width_(layout_row.width), height_(layout_row.height) {
    const wchar_t* cls = richedit_class();
    HWND parent = parking_window();
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_CLIPSIBLINGS | ES_MULTILINE |
                        ES_AUTOVSCROLL | ES_WANTRETURN | (layout_row.enabled ? 0 : WS_DISABLED);
    const UINT dpi = dpi_of(parent);
    const RECT r = twips_rect(left_, top_, width_, height_, dpi);
    hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, cls, L"", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                            parent, nullptr, window_instance(), nullptr);
    if (!hwnd_) {
        const DWORD error = GetLastError();
        leave_parking();
        throw_hresult(HRESULT_FROM_WIN32(error), u"The editor cannot be created.");
    }
    // Subclassed by hand: SetWindowSubclass is exported by name only from
    // comctl32 version 6, which needs a manifest that Excel's process may not
    // have.
    SetPropW(hwnd_, kEditorProp, this);
    base_proc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclass_proc)));
    SendMessageW(hwnd_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    if (layout_row.back_color) SendMessageW(hwnd_, EM_SETBKGNDCOLOR, 0, to_colorref(*layout_row.back_color));
    CHARFORMAT2W f = default_format();
    SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&f));
    SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&f));
}

RichEditEditor::~RichEditEditor() {
    if (hwnd_) {
        unsubclass();
        DestroyWindow(hwnd_);
    }
    leave_parking();
}

void RichEditEditor::adopt(HWND parent, float origin_x, float origin_y) {
    ::SetParent(hwnd_, parent ? parent : parking.hwnd);
    origin_x_ = parent ? origin_x : 0;
    origin_y_ = parent ? origin_y : 0;
    place();
}

void RichEditEditor::unsubclass() noexcept {
    if (!base_proc_) return;
    if (GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&subclass_proc)) {
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base_proc_));
    }
    RemovePropW(hwnd_, kEditorProp);
}

LRESULT CALLBACK RichEditEditor::subclass_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = static_cast<RichEditEditor*>(GetPropW(hwnd, kEditorProp));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    const WNDPROC base = self->base_proc_;
    if (msg == WM_LBUTTONDBLCLK) {
        const LRESULT result = CallWindowProcW(base, hwnd, msg, wp, lp);
        if (self->dbl_click_) {
            try {
                auto handler = self->dbl_click_;  // the handler may replace itself
                handler();
            } catch (...) {
                // A window procedure lets nothing through; frmAddIn's own
                // handler reports its failures before they get here.
            }
        }
        return result;
    }
    if (msg == WM_NCDESTROY) {
        self->unsubclass();
        self->base_proc_ = nullptr;
    }
    return CallWindowProcW(base, hwnd, msg, wp, lp);
}

// --- text ------------------------------------------------------------------------

void RichEditEditor::text_changed() noexcept {
    map_.reset();
    selection_.reset();
}

const RichEditEditor::TextMap& RichEditEditor::map() {
    // The user's edits set the control's modified flag; ours clear the map.
    if (map_ && !SendMessageW(hwnd_, EM_GETMODIFY, 0, 0)) return *map_;
    TextMap m;
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT n = SendMessageW(hwnd_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    if (n > 0) {
        std::wstring buffer(static_cast<std::size_t>(n) + 1, L'\0');
        GETTEXTEX get{};
        get.cb = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        get.flags = GT_DEFAULT;  // paragraph marks as one CR, no CR LF expansion
        get.codepage = 1200;
        const LRESULT got = SendMessageW(hwnd_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                         reinterpret_cast<LPARAM>(buffer.data()));
        buffer.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
        m.control = to_u16(buffer.data(), buffer.size());
    }
    for (std::size_t i = 0; i < m.control.size(); ++i)
        if (m.control[i] == u'\r') m.marks.push_back(static_cast<std::int32_t>(i));
    SendMessageW(hwnd_, EM_SETMODIFY, FALSE, 0);
    if (map_) selection_.reset();  // the user edited: what was set no longer holds
    map_ = std::move(m);
    return *map_;
}

std::u16string RichEditEditor::Text() { return map().port_text(); }

void RichEditEditor::Text(const std::u16string& text) {
    // Streamed in as plain text: EM_SETTEXTEX and WM_SETTEXT read a text that
    // starts with "{\rtf" as RTF, and a cell or a user name may start so.
    StreamSource source{reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t)};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = &stream_out_of;
    text_changed();
    SendMessageW(hwnd_, EM_STREAMIN, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&stream));
    if (stream.dwError != 0) throw HostError(7, u"Out of memory");
    CHARFORMAT2W f = default_format();
    SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&f));
    CHARRANGE start{0, 0};
    SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
    text_changed();
}

void RichEditEditor::TypeText(const std::u16string& text) {
    const std::wstring wide = to_wide(text);
    map();  // remembered selection checked against the text before typing
    const std::int32_t start = SelStart(), length = SelLength();
    select(start, length);  // a selection that starts or ends inside a mark covers it
    SendMessageW(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
    text_changed();
}

// --- selection -------------------------------------------------------------------

CHARRANGE RichEditEditor::control_selection() const {
    CHARRANGE r{0, 0};
    SendMessageW(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

void RichEditEditor::select(std::int32_t start, std::int32_t length) {
    const TextMap& m = map();
    start = std::min(start, m.port_length());
    length = std::min(length, m.port_length() - start);
    CHARRANGE r{m.floor(start), length == 0 ? m.floor(start) : m.ceil(start + length)};
    SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    selection_ = Remembered{start, length, control_selection()};
}

std::int32_t RichEditEditor::SelStart() {
    const TextMap& m = map();
    const CHARRANGE r = control_selection();
    if (selection_ && selection_->control.cpMin == r.cpMin && selection_->control.cpMax == r.cpMax)
        return selection_->start;
    return m.to_port(std::min(r.cpMin, r.cpMax));
}

std::int32_t RichEditEditor::SelLength() {
    const TextMap& m = map();
    const CHARRANGE r = control_selection();
    if (selection_ && selection_->control.cpMin == r.cpMin && selection_->control.cpMax == r.cpMax)
        return selection_->length;
    return m.to_port(std::max(r.cpMin, r.cpMax)) - m.to_port(std::min(r.cpMin, r.cpMax));
}

void RichEditEditor::SelStart(std::int32_t start) {
    if (start < 0) throw invalid_value();
    select(start, 0);
}

void RichEditEditor::SelLength(std::int32_t length) {
    if (length < 0) throw invalid_value();
    select(SelStart(), length);
}

std::u16string RichEditEditor::SelText() {
    const std::int32_t start = SelStart(), length = SelLength();
    const std::u16string text = map().port_text();
    if (start >= static_cast<std::int32_t>(text.size())) return {};
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
}

// --- formats ---------------------------------------------------------------------

CHARFORMAT2W RichEditEditor::selection_format() const {
    CHARFORMAT2W f = empty_format();
    SendMessageW(hwnd_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
    return f;
}

void RichEditEditor::set_format(CHARFORMAT2W format) {
    format.cbSize = sizeof format;
    map();  // takes in an edit of the user's before the flag is cleared below
    const LRESULT ok = SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    // A format is no edit of the text: the map still holds.
    SendMessageW(hwnd_, EM_SETMODIFY, FALSE, 0);
    if (!ok) throw invalid_value();
}

std::optional<bool> RichEditEditor::effect(DWORD mask, DWORD bit) const {
    const CHARFORMAT2W f = selection_format();
    if (!(f.dwMask & mask)) return std::nullopt;  // differs inside the selection
    return (f.dwEffects & bit) != 0;
}

void RichEditEditor::set_effect(DWORD mask, DWORD bit, bool on) {
    CHARFORMAT2W f = empty_format();
    f.dwMask = mask;
    f.dwEffects = on ? bit : 0;
    set_format(f);
}

std::optional<std::u16string> RichEditEditor::SelFontName() {
    const CHARFORMAT2W f = selection_format();
    if (!(f.dwMask & CFM_FACE)) return std::nullopt;
    return to_u16(f.szFaceName);
}

void RichEditEditor::SelFontName(const std::u16string& name) {
    if (name.empty() || name.size() >= LF_FACESIZE) throw invalid_value();
    CHARFORMAT2W f = empty_format();
    f.dwMask = CFM_FACE | CFM_CHARSET;
    f.bCharSet = DEFAULT_CHARSET;
    const std::wstring wide = to_wide(name);
    lstrcpynW(f.szFaceName, wide.c_str(), LF_FACESIZE);
    set_format(f);
}

std::optional<float> RichEditEditor::SelFontSize() {
    const CHARFORMAT2W f = selection_format();
    if (!(f.dwMask & CFM_SIZE)) return std::nullopt;
    return static_cast<float>(f.yHeight) / 20.0f;
}

void RichEditEditor::SelFontSize(float points) {
    if (!(points >= 1.0f && points <= 1638.0f)) throw invalid_value();  // NaN fails too
    CHARFORMAT2W f = empty_format();
    f.dwMask = CFM_SIZE;
    f.yHeight = static_cast<LONG>(std::lround(points * 20.0f));
    set_format(f);
}

std::optional<std::int32_t> RichEditEditor::SelColor() {
    const CHARFORMAT2W f = selection_format();
    if (!(f.dwMask & CFM_COLOR)) return std::nullopt;
    const COLORREF c = (f.dwEffects & CFE_AUTOCOLOR) ? GetSysColor(COLOR_WINDOWTEXT) : f.crTextColor;
    return static_cast<std::int32_t>(c & 0x00FFFFFFu);
}

void RichEditEditor::SelColor(std::int32_t color) {
    CHARFORMAT2W f = empty_format();
    f.dwMask = CFM_COLOR;
    f.dwEffects = 0;  // clears CFE_AUTOCOLOR
    f.crTextColor = to_colorref(color);
    set_format(f);
}

std::optional<bool> RichEditEditor::SelBold() { return effect(CFM_BOLD, CFE_BOLD); }
void RichEditEditor::SelBold(bool on) { set_effect(CFM_BOLD, CFE_BOLD, on); }
std::optional<bool> RichEditEditor::SelItalic() { return effect(CFM_ITALIC, CFE_ITALIC); }
void RichEditEditor::SelItalic(bool on) { set_effect(CFM_ITALIC, CFE_ITALIC, on); }
std::optional<bool> RichEditEditor::SelUnderline() { return effect(CFM_UNDERLINE, CFE_UNDERLINE); }
void RichEditEditor::SelUnderline(bool on) { set_effect(CFM_UNDERLINE, CFE_UNDERLINE, on); }
std::optional<bool> RichEditEditor::SelStrikeThru() { return effect(CFM_STRIKEOUT, CFE_STRIKEOUT); }
void RichEditEditor::SelStrikeThru(bool on) { set_effect(CFM_STRIKEOUT, CFE_STRIKEOUT, on); }

// --- state and geometry ----------------------------------------------------------

bool RichEditEditor::Enabled() { return IsWindowEnabled(hwnd_) != FALSE; }
void RichEditEditor::Enabled(bool on) { EnableWindow(hwnd_, on ? TRUE : FALSE); }

void RichEditEditor::place() {
    const RECT r = twips_rect(origin_x_ + left_, origin_y_ + top_, width_, height_, dpi_of(GetParent(hwnd_)));
    MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    if (on_geometry) on_geometry();
}

void RichEditEditor::Top(float twips) {
    top_ = twips;
    place();
}

void RichEditEditor::Width(float twips) {
    if (!(twips >= 0)) throw invalid_value();
    width_ = twips;
    place();
}

void RichEditEditor::Height(float twips) {
    if (!(twips >= 0)) throw invalid_value();
    height_ = twips;
    place();
}

bool RichEditEditor::HideSelection() {
    return (SendMessageW(hwnd_, EM_GETOPTIONS, 0, 0) & ECO_NOHIDESEL) == 0;
}

void RichEditEditor::HideSelection(bool on) {
    SendMessageW(hwnd_, EM_SETOPTIONS, on ? ECOOP_AND : ECOOP_OR, on ? ~static_cast<LPARAM>(ECO_NOHIDESEL) : ECO_NOHIDESEL);
    // The option decides only at the next focus change; show its effect now.
    if (GetFocus() != hwnd_) SendMessageW(hwnd_, EM_HIDESELECTION, on ? TRUE : FALSE, 0);
}

std::shared_ptr<dialog::RichTextEditor> make_richedit_editor(const dialog::LayoutRow& layout_row) {
    return std::make_shared<RichEditEditor>(layout_row);
}

}  // namespace quill::win32
