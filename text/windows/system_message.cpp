#include "text/windows/system_message.h"

namespace vex {

Text SystemMessage(DWORD error) {
    wchar_t* message = nullptr;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length =
        FormatMessageW(flags, nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    Text text(reinterpret_cast<const char16_t*>(message), length);
    LocalFree(message);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ' ||
                             text.back() == u'.')) {
        text.pop_back();
    }
    return text.empty() ? u"Windows error " + DecimalText(error) : text;
}

}  // namespace vex
