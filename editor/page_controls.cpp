#include "page_controls.h"

#include "resource.h"

namespace lumbrook {

namespace {

constexpr PageControl Row(int scrollId, int editId, bool notifyOnLeave) {
    return {scrollId, editId, 150, 3000, notifyOnLeave, 0};
}
// The equaliser rows step by 0.05 dB and 1 dB.
constexpr PageControl EqRow(int scrollId, int editId) {
    return {scrollId, editId, 125, 2500, true, 0};
}
constexpr PageControl CheckBox(int id) {
    return {0, 0, 0, 0, false, id};
}

}  // namespace

const PageControl kPageControls[kParamCount] = {
    Row(IDC_PREDELAY_SCROLL, IDC_PREDELAY_EDIT, true),
    Row(IDC_ROOMSIZE_SCROLL, IDC_ROOMSIZE_EDIT, false),
    Row(IDC_DAMPING_SCROLL, IDC_DAMPING_EDIT, false),
    Row(IDC_EARLYREF_SCROLL, IDC_EARLYREF_EDIT, false),
    Row(IDC_REVERB_SCROLL, IDC_REVERB_EDIT, false),
    Row(IDC_DRY_SCROLL, IDC_DRY_EDIT, false),
    EqRow(IDC_LOEQ_SCROLL, IDC_LOEQ_EDIT),
    EqRow(IDC_HIEQ_SCROLL, IDC_HIEQ_EDIT),
    CheckBox(IDC_EXTEND_TAIL),
    CheckBox(IDC_ENABLE_EQ),
    CheckBox(IDC_BYPASS),
};

const ParamInfo* ParamForControl(int controlId) {
    if (controlId <= 0) return nullptr;
    for (int i = 0; i < kParamCount; ++i) {
        const PageControl& c = kPageControls[i];
        if (c.scrollId == controlId || c.editId == controlId || c.checkBoxId == controlId)
            return &kParamTable[i];
    }
    return nullptr;
}

float PositionToValue(int position) {
    return float(position) * kPositionScale;
}

int ValueToPosition(float value) {
    const double position = double(value) * kFullScalePosition;
    if (!(position > -1e9)) return position != position ? 0 : -1000000000;
    if (position > 1e9) return 1000000000;
    return int(position);
}

}  // namespace lumbrook
