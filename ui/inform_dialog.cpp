#include "ui/inform_dialog.h"

#include "base/numbers.h"
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

InformLayout InformLayoutOf(Size client, bool withLink, int dpi) {
    const auto px = [dpi](int design) { return ScaleToDpi(design, dpi); };
    const int cw = client.width, ch = client.height, left = px(kInformTextLeft);
    if (!withLink) return {{left, 0, cw - left, ch}, {}, {}, {}};
    const int bandTop = ch - px(kInformBandHeight), line = px(1), buttonWidth = px(kInformButtonWidth);
    return {
        {left, 0, cw - left, bandTop},
        {(cw - buttonWidth) / 2, ch - px(kInformButtonRise), buttonWidth, px(kInformButtonHeight)},
        {0, bandTop, cw, line},
        {0, bandTop + line, cw, px(kInformBandHeight) - line},
    };
}

}  // namespace rv
