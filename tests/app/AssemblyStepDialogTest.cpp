#include "app/AssemblyStepDialog.h"

#include <QSlider>

#include <gtest/gtest.h>

#include <vector>

using namespace tsm;

// The slider reports each step it reaches, a new step count starts again at the whole model without a
// report, and closing the window shows the whole model again.
TEST(AssemblyStepDialog, SliderStepsAndClosingShowTheWholeModel) {
    std::vector<int> shown;
    AssemblyStepDialog dialog(nullptr, [&shown](int step) { shown.push_back(step); });
    dialog.SetStepCount(5);
    QSlider* slider = dialog.Slider();
    EXPECT_EQ(slider->maximum(), 5);
    slider->setValue(3);
    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd); // stays at the last step
    EXPECT_EQ(shown, (std::vector<int>{3, 4, 5}));
    dialog.SetStepCount(2);
    EXPECT_EQ(slider->value(), 0);
    dialog.SetStepCount(-1);
    EXPECT_EQ(slider->maximum(), 0);
    dialog.show();
    dialog.reject();
    EXPECT_EQ(shown, (std::vector<int>{3, 4, 5, 0}));
}
