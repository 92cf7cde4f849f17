// Typed numbers are read whole, however long their text: leading zeros or
// a long fraction never cut a number short.
#include <string>

#include "page_fixture.h"

namespace lumbrook {
namespace {

using namespace test;

TEST_F(PageTest, LongTypedTextIsReadWhole) {
    const struct {
        int editId;
        ParamId id;
        const char* shortText;
        std::string longText;
        float value;
        const char* shownAfterLeaving;
    } cases[] = {
        {IDC_ROOMSIZE_EDIT, ParamId::RoomSize, "50", std::string(70, '0') + "50", 0.5f, "50.0"},
        {IDC_PREDELAY_EDIT, ParamId::PreDelay, "25", std::string(120, '0') + "25", 0.25f, "25.0"},
        {IDC_LOEQ_EDIT, ParamId::LoEq, "3", "+" + std::string(100, '0') + "3", 0.75f, "3.00"},
        {IDC_DRY_EDIT, ParamId::DryLevel, "75", "75." + std::string(80, '0') + "1", 0.75f, "75.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "box " << c.editId << ", " << c.longText.size() << " characters");
        Type(window, c.editId, c.shortText);
        EXPECT_EQ(Value(c.id), c.value);
        ReverbParams block;
        effectInPlace->GetParams(&block, 44);
        block.*Param(c.id).floatField = 0.1f;
        effectInPlace->SetParams(&block, 44);
        Type(window, c.editId, c.longText.c_str());
        EXPECT_EQ(Value(c.id), c.value);
        EXPECT_EQ(GetWindowTextLengthA(Item(window, c.editId)), int(c.longText.size()));
        SetFocus(Item(window, c.editId == IDC_HIEQ_EDIT ? IDC_REVERB_EDIT : IDC_HIEQ_EDIT));
        EXPECT_EQ(Text(window, c.editId), c.shownAfterLeaving);
        EXPECT_EQ(Value(c.id), c.value);
    }
}

}  // namespace
}  // namespace lumbrook
