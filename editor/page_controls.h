// The editor page's controls, one row per parameter in the page's order, and
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

// One row of the page: a scroll bar with its edit box, or a check box.
struct PageControl {
    ParamId id;
    int scrollId;  // continuous rows
    int editId;
    int lineStep;
    int pageStep;
    bool notifyOnLeave;  // reformatting the box on leaving tells the site
    int checkBoxId;      // switches
    // UpdateControls shows it and Apply writes it back; the others are live
    // switches, cleared by UpdateControls and never written by Apply.
    bool applied;
};

// The page's rows top to bottom, the order in which the page initialises,
// shows and applies them: the eight scroll bars, then the check boxes.
extern const PageControl kPageControls[kParamCount];

// The row whose scroll bar, edit box or check box has this id; null if none.
const ParamInfo* ParamForControl(int controlId);
// The row whose scroll bar, edit box or check box (as the column says) has
// this id; null if none.
const PageControl* RowOf(int PageControl::*column, int controlId);

float PositionToValue(int position);
// Truncated toward zero; any float (NaN, huge) gives a defined position.
int ValueToPosition(float value);

}  // namespace lumbrook
