#include "ui/inform_dialog.h"

#include "base/text.h"

namespace rv {

InformPlan PlanInform(const std::string& text, const std::string& link) {
    const std::string trimmed = Trim(link);
    if (!text.empty()) return {InformAction::ShowWindow, trimmed};
    return {trimmed.empty() ? InformAction::Nothing : InformAction::OpenLink, trimmed};
}

std::string InformTextFace(const std::string& fontName) {
    return fontName.empty() || fontName == "Tahoma" ? "Verdana" : fontName;
}

InformLayout InformLayoutOf(Size client, bool withLink) {
    const int cw = client.width, ch = client.height;
    if (!withLink) return {{kInformTextLeft, 0, cw - kInformTextLeft, ch}, {}, {}, {}};
    const int bandTop = ch - kInformBandHeight;
    return {
        {kInformTextLeft, 0, cw - kInformTextLeft, bandTop},
        {(cw - kInformButtonWidth) / 2, ch - kInformButtonRise, kInformButtonWidth, kInformButtonHeight},
        {0, bandTop, cw, 1},
        {0, bandTop + 1, cw, kInformBandHeight - 1},
    };
}

}  // namespace rv
