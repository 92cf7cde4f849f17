#include "page_controls.h"

#include <initializer_list>

#include "resource.h"

namespace lumbrook {

namespace {

constexpr PageControl Row(ParamId id, int scrollId, int editId, bool notifyOnLeave) {
    return {id, scrollId, editId, 150, 3000, notifyOnLeave, 0, true};
}
// The equaliser rows step by 0.05 dB and 1 dB.
constexpr PageControl EqRow(ParamId id, int scrollId, int editId) {
    return {id, scrollId, editId, 125, 2500, true, 0, true};
}
constexpr PageControl CheckBox(ParamId id, int checkBoxId, bool applied) {
    return {id, 0, 0, 0, 0, false, checkBoxId, applied};
}

}  // namespace

// Leaving a box writes nothing: its value went to the effect, with a
// notification, while it was typed. The pre-delay and equaliser boxes still
// tell the site when they reformat, the others stay quiet; hosts see the
// count of notifications, so this column is part of how the page behaves.
constexpr PageControl kPageControls[kParamCount] = {
    Row(ParamId::PreDelay, IDC_PREDELAY_SCROLL, IDC_PREDELAY_EDIT, true),
    Row(ParamId::RoomSize, IDC_ROOMSIZE_SCROLL, IDC_ROOMSIZE_EDIT, false),
    Row(ParamId::Damping, IDC_DAMPING_SCROLL, IDC_DAMPING_EDIT, false),
    Row(ParamId::EarlyRef, IDC_EARLYREF_SCROLL, IDC_EARLYREF_EDIT, false),
    Row(ParamId::ReverbLevel, IDC_REVERB_SCROLL, IDC_REVERB_EDIT, false),
    Row(ParamId::DryLevel, IDC_DRY_SCROLL, IDC_DRY_EDIT, false),
    EqRow(ParamId::LoEq, IDC_LOEQ_SCROLL, IDC_LOEQ_EDIT),
    EqRow(ParamId::HiEq, IDC_HIEQ_SCROLL, IDC_HIEQ_EDIT),
    CheckBox(ParamId::EnableEq, IDC_ENABLE_EQ, true),
    CheckBox(ParamId::ExtendTail, IDC_EXTEND_TAIL, true),
    // Bypass is a live switch for the moment, never kept as a setting.
    CheckBox(ParamId::Bypass, IDC_BYPASS, false),
};

static_assert(sizeof(kPageControls) / sizeof(kPageControls[0]) == kParamCount,
              "one row per parameter");
static_assert(OneRowPerParameter(kPageControls), "every parameter has exactly one row");

const PageControl* RowOf(int PageControl::*column, int controlId) {
    if (controlId <= 0) return nullptr;
    for (const PageControl& row : kPageControls)
        if (row.*column == controlId) return &row;
    return nullptr;
}

const ParamInfo* ParamForControl(int controlId) {
    for (int PageControl::*column :
         {&PageControl::scrollId, &PageControl::editId, &PageControl::checkBoxId}) {
        if (const PageControl* row = RowOf(column, controlId)) return &Param(row->id);
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
