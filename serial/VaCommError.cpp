#include "serial/VaCommError.h"

std::string VaFillPattern(std::string_view Pattern, std::string_view Code, std::string_view Text) {
    std::string out;
    out.reserve(Pattern.size() + Text.size() + Code.size());
    for (std::size_t i = 0; i < Pattern.size(); ++i) {
        if (Pattern[i] == '%' && i + 1 < Pattern.size() &&
            (Pattern[i + 1] == 'd' || Pattern[i + 1] == 's')) {
            out += Pattern[i + 1] == 'd' ? Code : Text;
            ++i;
        } else {
            out += Pattern[i];
        }
    }
    return out;
}

void RaiseCommError(std::string_view Pattern, int Code) {
    throw EVaCommError(VaFillPattern(Pattern, std::to_string(Code), VaErrorText(Code)));
}

void RaiseNotFound(const std::string& Path) {
    throw EVaCommError(VaFillPattern(VaMsg::DeviceNotFound, "", Path));
}

void RaiseCantOpen(const std::string& Path, int Code) {
    throw EVaCommError(VaFillPattern(VaMsg::CantOpen, "", Path) +
                       VaFillPattern(VaMsg::CantOpenCode, std::to_string(Code), VaErrorText(Code)));
}
