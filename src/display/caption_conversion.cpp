#include "display/caption_conversion.h"

#include "platform/codepage.h"
#include "text/pz_conv.h"

namespace tavelin {

std::string convertCaptionBytes(std::string_view bytes, int codeNo) {
    switch (codeNo) {
        case 1:
            return utf8ToAnsi(bytes);
        case 3:
            return eucToShiftJis(bytes);
        case 4:
            return jisToShiftJis(bytes);
        default:
            return std::string(bytes);
    }
}

}  // namespace tavelin
