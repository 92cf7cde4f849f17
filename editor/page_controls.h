// The editor page's controls, one row per parameter (indexed by ParamId), and
// the conversions between effect values, scroll positions and display text.
#pragma once

#include "display_units.h"
#include "reverb_params.h"

namespace lumbrook {

// Scroll bars run 0..30,000 for values 0..1 (range 0..33,000, page 3,000).
constexpr int kFullScalePosition = 30000;
constexpr int kScrollMaximum = 33000;
constexpr int kScrollPage = 3000;
constexpr float kPositionScale = 3.3333334e-05f;  // the float nearest 1/30,000

struct PageControl {
    int scrollId;  // continuous rows
    int editId;
    int lineStep;
    int pageStep;
    bool notifyOnLeave;  // reformatting the box tells the site
    int checkBoxId;      // switches
};

extern const PageControl kPageControls[kParamCount];

inline const PageControl& Control(ParamId id) {
    return kPageControls[static_cast<int>(id)];
}

// The continuous rows in the order the page fills them, top to bottom.
constexpr ParamId kContinuousRows[] = {ParamId::PreDelay, ParamId::RoomSize,    ParamId::Damping,
                                       ParamId::EarlyRef, ParamId::ReverbLevel, ParamId::DryLevel,
                                       ParamId::LoEq,     ParamId::HiEq};
constexpr int kContinuousRowCount = sizeof(kContinuousRows) / sizeof(kContinuousRows[0]);

// The row whose scroll bar, edit box or check box has this id; null if none.
const ParamInfo* ParamForControl(int controlId);

float PositionToValue(int position);
// Truncated toward zero; any float (NaN, huge) gives a defined position.
int ValueToPosition(float value);

}  // namespace lumbrook
