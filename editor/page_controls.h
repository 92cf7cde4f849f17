// The editor page's controls, one row per parameter (indexed by ParamId), and
// the conversions between effect values, scroll positions and display text.
#pragma once

#include "reverb_params.h"

namespace lumbrook {

// Scroll bars run 0..30,000 for values 0..1 (range 0..33,000, page 3,000).
constexpr int kFullScalePosition = 30000;
constexpr int kScrollMaximum = 33000;
constexpr int kScrollPage = 3000;
constexpr float kPositionScale = 3.3333334e-05f;  // the float nearest 1/30,000
constexpr float kPercentScale = 0.01f;            // typed per cent to value
constexpr float kDecibelScale = 0.083333336f;     // 1/12: typed dB + 6 to value

struct PageControl {
    int scrollId;   // continuous rows
    int editId;
    int lineStep;
    int pageStep;
    bool notifyOnLeave;  // reformatting the box tells the site
    int checkBoxId;      // switches
};

extern const PageControl kPageControls[kParamCount];

inline const PageControl& Control(ParamId id) { return kPageControls[static_cast<int>(id)]; }

// The continuous rows in the order the page fills them, top to bottom.
constexpr ParamId kContinuousRows[] = {ParamId::PreDelay,    ParamId::RoomSize, ParamId::Damping,
                                       ParamId::EarlyRef,    ParamId::ReverbLevel,
                                       ParamId::DryLevel,    ParamId::LoEq,     ParamId::HiEq};
constexpr int kContinuousRowCount = sizeof(kContinuousRows) / sizeof(kContinuousRows[0]);

// The row whose scroll bar, edit box or check box has this id; null if none.
const ParamInfo* ParamForControl(int controlId);

float PositionToValue(int position);
// Truncated toward zero; any float (NaN, huge) gives a defined position.
int ValueToPosition(float value);
// The number the row's edit box shows for a value: value * 100, or * 12 - 6.
double DisplayFromValue(const ParamInfo& param, float value);
// atof's number clamped to the row's range: 0..100, or -6..6 dB.
double ClampTyped(const ParamInfo& param, double typed);
// A clamped typed number to the value written to the effect.
float ValueFromTyped(const ParamInfo& param, double clamped);

}  // namespace lumbrook
