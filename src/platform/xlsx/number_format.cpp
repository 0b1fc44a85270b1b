#include "platform/xlsx/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace quill::xlsx {

std::u16string builtin_format(int id) {
    switch (id) {
    case 0: return u"General";
    case 1: return u"0";
    case 2: return u"0.00";
    case 3: return u"#,##0";
    case 4: return u"#,##0.00";
    case 5: return u"$#,##0_);($#,##0)";
    case 6: return u"$#,##0_);[Red]($#,##0)";
    case 7: return u"$#,##0.00_);($#,##0.00)";
    case 8: return u"$#,##0.00_);[Red]($#,##0.00)";
    case 9: return u"0%";
    case 10: return u"0.00%";
    case 11: return u"0.00E+00";
    case 12: return u"# ?/?";
    case 13: return u"# ?" "?/?" "?";
    case 14: return u"m/d/yyyy";  // shown in the short date of the (en-US) locale
    case 15: return u"d-mmm-yy";
    case 16: return u"d-mmm";
    case 17: return u"mmm-yy";
    case 18: return u"h:mm AM/PM";
    case 19: return u"h:mm:ss AM/PM";
    case 20: return u"h:mm";
    case 21: return u"h:mm:ss";
    case 22: return u"m/d/yyyy h:mm";
    case 37: return u"#,##0 ;(#,##0)";
    case 38: return u"#,##0 ;[Red](#,##0)";
    case 39: return u"#,##0.00;(#,##0.00)";
    case 40: return u"#,##0.00;[Red](#,##0.00)";
    case 41: return u"_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)";
    case 42: return u"_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)";
    case 43: return u"_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)";
    case 44: return u"_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)";
    case 45: return u"mm:ss";
    case 46: return u"[h]:mm:ss";
    case 47: return u"mmss.0";
    case 48: return u"##0.0E+0";
    case 49: return u"@";
    default: return u"";
    }
}

namespace {

std::u16string ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }
char16_t lc(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// Decimal digits of a non-negative value rounded half away from zero at
// `frac` places, working from the 15 significant digits Excel keeps.
struct Digits {
    std::string integer;  // no leading zeros; "" for zero
    std::string fraction; // exactly frac digits
};
Digits decimal(double v, int frac) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", v);
    std::string mant;
    for (const char* p = buf; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') mant += *p;
    const int exp = std::atoi(std::strchr(buf, 'e') + 1);
    int point = exp + 1;  // digits before the decimal point
    if (v == 0) {
        mant = "0";
        point = 1;
    }
    // Digits laid out with `lead` zeros in front so that the point is inside.
    std::string all;
    if (point < 0) {
        all.assign(static_cast<std::size_t>(-point), '0');
        all += mant;
        point = 0;
    } else {
        all = mant;
    }
    const std::size_t keep = static_cast<std::size_t>(point + frac);
    if (all.size() < keep + 1) all.resize(keep + 1, '0');
    const bool up = all[keep] >= '5';
    all.resize(keep);
    if (up) {
        std::size_t i = keep;
        for (;;) {
            if (i == 0) {
                all.insert(all.begin(), '1');
                ++point;
                break;
            }
            --i;
            if (all[i] == '9') {
                all[i] = '0';
            } else {
                ++all[i];
                break;
            }
        }
    }
    Digits d;
    d.integer = all.substr(0, static_cast<std::size_t>(point));
    d.fraction = all.substr(static_cast<std::size_t>(point));
    const auto nz = d.integer.find_first_not_of('0');
    d.integer = nz == std::string::npos ? "" : d.integer.substr(nz);
    return d;
}

std::string strip_zeros(std::string s) {
    if (s.find('.') == std::string::npos) return s;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

// One token of a format section.
struct Token {
    enum Kind { Literal, Digit, Point, Comma, Percent, Exponent, Date, AmPm, Elapsed, Text, General } kind;
    std::u16string text;  // Literal text; Digit placeholder; Date code (lower case); Exponent "E+"/"E-"
};

struct Section {
    std::vector<Token> tokens;
    bool condition = false;
    bool date = false;
    bool number = false;
    bool text = false;
    bool general = false;
    bool fraction = false;
};

std::vector<std::u16string> split_sections(const std::u16string& code) {
    std::vector<std::u16string> out(1);
    bool quoted = false;
    bool bracket = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char16_t c = code[i];
        if (!quoted && !bracket && c == u'\\' && i + 1 < code.size()) {
            out.back() += c;
            out.back() += code[++i];
            continue;
        }
        if (c == u'"' && !bracket) quoted = !quoted;
        if (!quoted && c == u'[') bracket = true;
        if (!quoted && c == u']') bracket = false;
        if (c == u';' && !quoted && !bracket) {
            out.emplace_back();
            continue;
        }
        out.back() += c;
    }
    return out;
}

Section tokenize(const std::u16string& s) {
    Section sec;
    auto lit = [&](std::u16string t) {
        if (!sec.tokens.empty() && sec.tokens.back().kind == Token::Literal)
            sec.tokens.back().text += t;
        else
            sec.tokens.push_back({Token::Literal, std::move(t)});
    };
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        const char16_t l = lc(c);
        if (c == u'"') {
            const auto end = s.find(u'"', i + 1);
            lit(s.substr(i + 1, (end == std::u16string::npos ? s.size() : end) - i - 1));
            i = end == std::u16string::npos ? s.size() : end;
        } else if (c == u'\\' && i + 1 < s.size()) {
            lit(std::u16string(1, s[++i]));
        } else if (c == u'_' && i + 1 < s.size()) {
            ++i;
            lit(u" ");  // room for a character's width: one blank is the nearest text
        } else if (c == u'*' && i + 1 < s.size()) {
            ++i;  // fill to the column width: nothing in plain text
        } else if (c == u'[') {
            const auto end = s.find(u']', i);
            const std::u16string inner = s.substr(i + 1, (end == std::u16string::npos ? s.size() : end) - i - 1);
            i = end == std::u16string::npos ? s.size() : end;
            std::u16string low;
            for (char16_t k : inner) low += lc(k);
            if (!low.empty() && (low[0] == u'<' || low[0] == u'>' || low[0] == u'=')) {
                sec.condition = true;
            } else if (!low.empty() && low[0] == u'$') {
                const auto dash = inner.find(u'-');
                lit(inner.substr(1, dash == std::u16string::npos ? std::u16string::npos : dash - 1));
            } else if (!low.empty() && low.find_first_not_of(low[0]) == std::u16string::npos &&
                       (low[0] == u'h' || low[0] == u'm' || low[0] == u's')) {
                sec.tokens.push_back({Token::Elapsed, low});
                sec.date = true;
            }  // colours and other tags show nothing
        } else if (s.compare(i, 7, u"General") == 0 || s.compare(i, 7, u"general") == 0) {
            sec.tokens.push_back({Token::General, {}});
            sec.general = true;
            i += 6;
        } else if (l == u'a' && (s.substr(i, 5) == u"AM/PM" || s.substr(i, 5) == u"am/pm")) {
            sec.tokens.push_back({Token::AmPm, u"ampm"});
            sec.date = true;
            i += 4;
        } else if (l == u'a' && i + 2 < s.size() && s[i + 1] == u'/' && lc(s[i + 2]) == u'p') {
            sec.tokens.push_back({Token::AmPm, c == u'a' ? u"a/p" : u"A/P"});
            sec.date = true;
            i += 2;
        } else if (l == u'y' || l == u'm' || l == u'd' || l == u'h' || l == u's') {
            std::size_t j = i;
            while (j < s.size() && lc(s[j]) == l) ++j;
            sec.tokens.push_back({Token::Date, std::u16string(j - i, l)});
            sec.date = true;
            i = j - 1;
        } else if (c == u'0' || c == u'#' || c == u'?') {
            sec.tokens.push_back({Token::Digit, std::u16string(1, c)});
            sec.number = true;
        } else if (c == u'.') {
            sec.tokens.push_back({Token::Point, {}});
        } else if (c == u',') {
            sec.tokens.push_back({Token::Comma, {}});
        } else if (c == u'%') {
            sec.tokens.push_back({Token::Percent, {}});
        } else if (l == u'e' && i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-')) {
            sec.tokens.push_back({Token::Exponent, s.substr(i, 2)});
            i += 1;
        } else if (c == u'@') {
            sec.tokens.push_back({Token::Text, {}});
            sec.text = true;
        } else if (c == u'/' && sec.number) {
            sec.fraction = true;
            lit(u"/");
        } else {
            lit(std::u16string(1, c));
        }
    }
    if (sec.date) {
        // In a date section the dot and digits after seconds are its fraction;
        // anything else number-like is literal.
        for (std::size_t k = 0; k < sec.tokens.size(); ++k) {
            Token& t = sec.tokens[k];
            if (t.kind == Token::Point && k + 1 < sec.tokens.size() && sec.tokens[k + 1].kind == Token::Digit &&
                sec.tokens[k + 1].text == u"0") {
                std::u16string digits;
                std::size_t j = k + 1;
                while (j < sec.tokens.size() && sec.tokens[j].kind == Token::Digit) digits += u'0', ++j;
                t = {Token::Date, u"." + digits};
                sec.tokens.erase(sec.tokens.begin() + static_cast<std::ptrdiff_t>(k + 1),
                                 sec.tokens.begin() + static_cast<std::ptrdiff_t>(j));
            } else if (t.kind == Token::Point) {
                t = {Token::Literal, u"."};
            } else if (t.kind == Token::Comma) {
                t = {Token::Literal, u","};
            } else if (t.kind == Token::Digit) {
                t = {Token::Literal, t.text};
            }
        }
        sec.number = false;
    }
    return sec;
}

// --- numbers -------------------------------------------------------------

std::u16string render_number(double v, const Section& sec) {
    // Split the placeholders into integer, fraction and exponent digits.
    std::u16string int_ph, frac_ph, exp_ph, exp_sign;
    bool point = false, group = false;
    int percent = 0, scale = 0;
    std::size_t first = sec.tokens.size(), last = 0;
    for (std::size_t k = 0; k < sec.tokens.size(); ++k) {
        const Token& t = sec.tokens[k];
        switch (t.kind) {
        case Token::Digit:
            if (!exp_sign.empty())
                exp_ph += t.text;
            else if (point)
                frac_ph += t.text;
            else
                int_ph += t.text;
            first = std::min(first, k);
            last = k;
            break;
        case Token::Point:
            if (exp_sign.empty()) point = true;
            break;
        case Token::Comma: {
            // Between digits: thousands separator; after the last integer digit: divide by 1000.
            bool digit_after = false;
            for (std::size_t j = k + 1; j < sec.tokens.size(); ++j) {
                if (sec.tokens[j].kind == Token::Digit) digit_after = true;
                if (sec.tokens[j].kind != Token::Comma) break;
            }
            if (digit_after && !point && !int_ph.empty())
                group = true;
            else if (!int_ph.empty() && !point)
                ++scale;
            break;
        }
        case Token::Percent: ++percent; break;
        case Token::Exponent: exp_sign = t.text; break;
        default: break;
        }
    }
    for (int p = 0; p < percent; ++p) v *= 100;
    for (int s = 0; s < scale; ++s) v /= 1000;

    int exponent = 0;
    if (!exp_sign.empty() && v != 0) {
        const int step = int_ph.find(u'#') != std::u16string::npos && int_ph.size() > 1 ? static_cast<int>(int_ph.size()) : 1;
        exponent = static_cast<int>(std::floor(std::log10(v)));
        exponent = static_cast<int>(std::floor(static_cast<double>(exponent) / step)) * step;
        if (step == 1 && int_ph.size() > 1) exponent -= static_cast<int>(int_ph.size()) - 1;
        v /= std::pow(10.0, exponent);
        // Rounding the mantissa may reach the next power of ten.
        Digits d = decimal(v, static_cast<int>(frac_ph.size()));
        if (static_cast<int>(d.integer.size()) > std::max<int>(1, static_cast<int>(int_ph.size()))) {
            exponent += step;
            v /= std::pow(10.0, step);
        }
    }

    Digits d = decimal(v, static_cast<int>(frac_ph.size()));
    // Integer digits: pad to the '0' and '?' placeholders.
    std::string ip = d.integer;
    std::size_t min_int = 0;
    for (std::size_t k = 0; k < int_ph.size(); ++k)
        if (int_ph[k] != u'#') min_int = int_ph.size() - k, k = int_ph.size();
    std::u16string int_text;
    if (ip.size() < min_int) {
        for (std::size_t k = 0; k < min_int - ip.size(); ++k)
            int_text += int_ph[int_ph.size() - min_int + k] == u'?' ? u' ' : u'0';
    }
    int_text += ascii(ip);
    if (group) {
        std::u16string grouped;
        int count = 0;
        for (auto it = int_text.rbegin(); it != int_text.rend(); ++it) {
            if (count && count % 3 == 0 && *it >= u'0' && *it <= u'9') grouped.insert(grouped.begin(), u',');
            grouped.insert(grouped.begin(), *it);
            ++count;
        }
        int_text = grouped;
    }
    // Fraction digits: '#' drops trailing zeros, '?' turns them to blanks.
    std::u16string frac_text = ascii(d.fraction);
    for (std::size_t k = frac_text.size(); k-- > 0;) {
        if (frac_text[k] != u'0' || frac_ph[k] == u'0') break;
        frac_text[k] = frac_ph[k] == u'?' ? u' ' : u'\0';
    }
    std::erase(frac_text, u'\0');

    std::u16string number = int_text;
    if (point) number += u"." + frac_text;
    if (!exp_sign.empty()) {
        const std::u16string digits = ascii(std::to_string(std::abs(exponent)));
        std::u16string padded(exp_ph.size() > digits.size() ? exp_ph.size() - digits.size() : 0, u'0');
        number += u"E";
        number += exponent < 0 ? u"-" : (exp_sign[1] == u'+' ? u"+" : u"");
        number += padded + digits;
    }

    std::u16string out;
    bool placed = false;
    for (std::size_t k = 0; k < sec.tokens.size(); ++k) {
        const Token& t = sec.tokens[k];
        if (k >= first && k <= last && t.kind != Token::Literal) {
            if (!placed) out += number, placed = true;
            continue;
        }
        if (t.kind == Token::Literal) out += t.text;
        if (t.kind == Token::Percent) out += u'%';
    }
    if (!placed) out += number;
    return out;
}

// --- dates ---------------------------------------------------------------

struct DateTime {
    int year, month, day, weekday;  // weekday 0 = Sunday
    long long hour, minute, second;   // hour of the day
    long long sub;                    // fraction of the second in units of 10^-subdigits
    double elapsed_days;
};

void civil_from_days(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::u16string two(long long n) { return ascii((n < 10 ? "0" : "") + std::to_string(n)); }

std::u16string render_date(double v, const Section& sec, bool date1904) {
    if (v < 0 || v > 2958465.99999) return u"########";  // what Excel shows for an impossible date
    int subdigits = 0;
    bool ampm = false;
    for (const auto& t : sec.tokens) {
        if (t.kind == Token::Date && t.text[0] == u'.') subdigits = std::max(subdigits, static_cast<int>(t.text.size()) - 1);
        if (t.kind == Token::AmPm) ampm = true;
    }
    const long long units = static_cast<long long>(std::pow(10, subdigits));
    const long long per_day = 86400LL * units;
    const long long total = std::llround(v * static_cast<double>(per_day));
    const long long serial = total / per_day;
    long long rest = total % per_day;
    DateTime dt{};
    dt.sub = rest % units;
    rest /= units;
    dt.hour = rest / 3600;
    dt.minute = rest / 60 % 60;
    dt.second = rest % 60;
    dt.elapsed_days = static_cast<double>(total) / static_cast<double>(per_day);
    if (date1904) {
        // 1904-01-01 is day -24107 from 1970-01-01.
        civil_from_days(serial - 24107, dt.year, dt.month, dt.day);
        dt.weekday = static_cast<int>((serial + 5) % 7);
    } else if (serial == 0) {
        dt.year = 1900, dt.month = 1, dt.day = 0, dt.weekday = 6;
    } else if (serial == 60) {
        dt.year = 1900, dt.month = 2, dt.day = 29, dt.weekday = 3;  // the leap day Excel keeps for Lotus
    } else {
        // 1899-12-31 is day -25568 from 1970-01-01; from March 1900 on, Excel's count is one ahead.
        civil_from_days(serial - 25568 - (serial > 60 ? 1 : 0), dt.year, dt.month, dt.day);
        dt.weekday = static_cast<int>((serial + 6) % 7);
    }

    std::u16string out;
    const auto& tk = sec.tokens;
    // "m" is minutes right after hours or right before seconds.
    auto minute_at = [&](std::size_t k) {
        for (std::size_t j = k; j-- > 0;) {
            if (tk[j].kind == Token::Date || tk[j].kind == Token::Elapsed) return tk[j].text[0] == u'h';
        }
        return false;
    };
    auto seconds_after = [&](std::size_t k) {
        for (std::size_t j = k + 1; j < tk.size(); ++j) {
            if (tk[j].kind == Token::Date || tk[j].kind == Token::Elapsed) return tk[j].text[0] == u's';
        }
        return false;
    };
    for (std::size_t k = 0; k < tk.size(); ++k) {
        const Token& t = tk[k];
        const std::size_t n = t.text.size();
        switch (t.kind) {
        case Token::Literal: out += t.text; break;
        case Token::AmPm:
            if (t.text == u"ampm") out += dt.hour < 12 ? u"AM" : u"PM";
            else out += dt.hour < 12 ? t.text.substr(0, 1) : t.text.substr(2, 1);
            break;
        case Token::Elapsed: {
            const double secs = dt.elapsed_days * 86400;
            const long long value = t.text[0] == u'h' ? static_cast<long long>(secs / 3600)
                                    : t.text[0] == u'm' ? static_cast<long long>(secs / 60)
                                                        : static_cast<long long>(secs);
            out += n >= 2 ? two(value) : ascii(std::to_string(value));
            break;
        }
        case Token::Date:
            switch (t.text[0]) {
            case u'y': out += n <= 2 ? two(dt.year % 100) : ascii(std::to_string(dt.year)); break;
            case u'd':
                if (n <= 2) out += n == 2 ? two(dt.day) : ascii(std::to_string(dt.day));
                else out += ascii(n == 3 ? std::string(kDays[dt.weekday]).substr(0, 3) : kDays[dt.weekday]);
                break;
            case u'h': {
                long long h = dt.hour;
                if (ampm) h = h % 12 == 0 ? 12 : h % 12;
                out += n >= 2 ? two(h) : ascii(std::to_string(h));
                break;
            }
            case u'm':
                if (n <= 2 && (minute_at(k) || seconds_after(k))) {
                    out += n == 2 ? two(dt.minute) : ascii(std::to_string(dt.minute));
                } else if (n <= 2) {
                    out += n == 2 ? two(dt.month) : ascii(std::to_string(dt.month));
                } else {
                    const std::string name = kMonths[dt.month - 1];
                    out += ascii(n == 3 ? name.substr(0, 3) : n == 5 ? name.substr(0, 1) : name);
                }
                break;
            case u's': out += n >= 2 ? two(dt.second) : ascii(std::to_string(dt.second)); break;
            case u'.': {
                std::string digits = std::to_string(dt.sub);
                digits.insert(0, static_cast<std::size_t>(subdigits) - digits.size(), '0');
                out += u"." + ascii(digits.substr(0, n - 1));
                break;
            }
            default: break;
            }
            break;
        default: break;
        }
    }
    return out;
}

std::optional<std::vector<Section>> parse_code(const std::u16string& code) {
    std::vector<Section> sections;
    for (const auto& s : split_sections(code)) {
        Section sec = tokenize(s);
        if (sec.condition || sec.fraction) return std::nullopt;
        sections.push_back(std::move(sec));
    }
    return sections;
}

std::u16string render_section(double v, const Section& sec, bool date1904) {
    if (sec.date) return render_date(v, sec, date1904);
    if (sec.number) return render_number(v, sec);
    std::u16string out;
    for (const auto& t : sec.tokens) {
        if (t.kind == Token::Literal) out += t.text;
        if (t.kind == Token::General) out += format_general(v);
    }
    return out;
}

}  // namespace

std::u16string format_general(double v) {
    if (v == 0) return u"0";
    if (!std::isfinite(v)) return u"#NUM!";
    const bool negative = v < 0;
    const double a = std::fabs(v);
    std::string s;
    if (a >= 1e11 || a < 1e-4) {
        int exp = static_cast<int>(std::floor(std::log10(a)));
        Digits d = decimal(a / std::pow(10.0, exp), 5);
        if (d.integer.size() > 1) {
            ++exp;
            d = decimal(a / std::pow(10.0, exp), 5);
        }
        s = strip_zeros((d.integer.empty() ? "0" : d.integer) + "." + d.fraction);
        char e[16];
        std::snprintf(e, sizeof e, "E%c%02d", exp < 0 ? '-' : '+', std::abs(exp));
        s += e;
    } else {
        const int int_digits = a >= 1 ? static_cast<int>(std::floor(std::log10(a))) + 1 : 1;
        Digits d = decimal(a, std::max(0, 10 - int_digits));
        s = strip_zeros((d.integer.empty() ? "0" : d.integer) + "." + d.fraction);
    }
    return ascii((negative ? "-" : "") + s);
}

std::u16string format_number(double v, const std::u16string& code, bool date1904) {
    if (code.empty() || code == u"General" || code == u"@") return format_general(v);
    auto sections = parse_code(code);
    if (!sections || sections->empty()) return format_general(v);
    auto& secs = *sections;
    if (secs[0].text && !secs[0].number && !secs[0].date) return format_general(v);
    if (secs.size() >= 2 && v < 0) return render_section(-v, secs[1], date1904);
    if (secs.size() >= 3 && v == 0) return render_section(v, secs[2], date1904);
    const Section& s = secs[0];
    if (v < 0 && !s.date) {
        std::u16string body = render_section(-v, s, date1904);
        // A value that rounds to zero shows no sign.
        return body.find_first_of(u"123456789") == std::u16string::npos ? body : u"-" + body;
    }
    return render_section(v, s, date1904);
}

std::u16string format_text(const std::u16string& text, const std::u16string& code) {
    auto sections = parse_code(code);
    if (!sections) return text;
    const Section* sec = nullptr;
    if (sections->size() >= 4) sec = &(*sections)[3];
    else if (sections->size() == 1 && (*sections)[0].text) sec = &(*sections)[0];
    if (!sec) return text;
    std::u16string out;
    for (const auto& t : sec->tokens) {
        if (t.kind == Token::Literal) out += t.text;
        if (t.kind == Token::Text) out += text;
    }
    return out;
}

bool is_date_format(const std::u16string& code) {
    auto sections = parse_code(code);
    return sections && !sections->empty() && (*sections)[0].date;
}

}  // namespace quill::xlsx
