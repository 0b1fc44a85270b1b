#pragma once
// Message-box port. Every box the add-in shows goes through here so that tests
// and the command-line tool can answer them and the Windows build shows
// MessageBoxW. Boxes carry no icon; Yes/No boxes have Yes as the default.
#include <string>

namespace quill {

inline constexpr char16_t kAppTitle[] = u"Pixnote";  // title of a box shown without one of its own

enum class MsgButtons { OK, YesNo };
enum class MsgAnswer { OK, Yes, No };

class MessageBoxPort {
public:
    virtual ~MessageBoxPort() = default;
    // Modal: returns when the user closes the box. `title` is already resolved
    // (the caller passes kAppTitle when the procedure gives none). May throw
    // HostError when no box can be shown.
    virtual MsgAnswer Show(const std::u16string& text, MsgButtons buttons, const std::u16string& title) = 0;
};

}  // namespace quill
