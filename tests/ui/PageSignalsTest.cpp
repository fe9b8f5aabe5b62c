// What an input page says with its signals, on its own, and the bridge that
// turns the core's Notify into a Qt signal.
#include "ui/common/ObserverBridge.h"
#include "ui/editors/pages/InputScalingPage.h"
#include "ui/editors/pages/InputTemperaturePage.h"

#include "model/CapabilityFlags.h"
#include "model/DeviceTable.h"
#include "model/ScalingParameterResolver.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

CRegisterImage NewImage(std::uint32_t with)
{
    CRegisterImage image;
    for (int code = 0; code < kDeviceModelCount; ++code) {
        if (CDeviceType::FromCode(code).CapabilityFlags() & with) {
            image.ResetForModel(code, true);
            return image;
        }
    }
    ADD_FAILURE() << "no model";
    return image;
}

// The page of `image`'s input kind, showing it.
std::unique_ptr<CInputPage> PageOf(CRegisterImage& image)
{
    std::unique_ptr<CInputPage> page(CreateInputPage(InputKindOf(image.CapabilityFlags()), nullptr));
    page->SetImage(&image);
    page->Load();
    page->show();
    return page;
}

// Chooses the next entry of `list` as a user does, which Qt reports as activated.
void ChooseNext(QComboBox* list)
{
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
}

} // namespace

TEST(PageSignals, ASensorChoiceSaysTheImageChangedAndAScalingTypeChoiceKeepsToThePage)
{
    CRegisterImage tc = NewImage(CAP_TC_INPUT);
    tc.SetWord(0, 0);
    auto temperature = PageOf(tc);
    QSignalSpy changed(temperature.get(), &CInputPage::typeChanged);
    auto* sensors = static_cast<CInputTemperaturePage*>(temperature.get())->TypeList();
    const int before = sensors->currentIndex();
    ChooseNext(sensors);
    ASSERT_NE(sensors->currentIndex(), before);
    EXPECT_EQ(changed.count(), 1);
    // What the window shows again once told: the sensor's range in the bar graph.
    EXPECT_EQ(tc.GetLong(32), CScalingParameterResolver(tc).InputRangeMinimum());

    // A DC type changes only the page's own edits: the window is not asked.
    CRegisterImage dc = NewImage(CAP_DC_INPUT);
    dc.SetWord(0, 0);
    auto scaling = PageOf(dc);
    QSignalSpy dcChanged(scaling.get(), &CInputPage::typeChanged);
    ChooseNext(static_cast<CInputScalingPage*>(scaling.get())->TypeList());
    EXPECT_EQ(dc.GetWord(0), 1);
    EXPECT_EQ(dcChanged.count(), 0);
}

TEST(PageSignals, TheDecimalPointButtonAsksTheWindowAndOpensNothingItself)
{
    CRegisterImage dc = NewImage(CAP_DC_INPUT);
    const CRegisterImage original = dc;
    auto page = PageOf(dc);
    QSignalSpy asked(page.get(), &CInputPage::decimalPointRequested);
    QPushButton* button = nullptr;
    for (QPushButton* b : page->findChildren<QPushButton*>())
        if (b->property("controlId").toInt() == 1013)
            button = b;
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton); // a modal dialog here would never return
    EXPECT_EQ(asked.count(), 1);
    EXPECT_TRUE(dc == original);
}

TEST(ObserverBridge, NotifiesFromAWorkerArriveOnTheReceiversThreadInOrder)
{
    CObservable first, second;
    CObserverBridge bridge;
    first.Attach(&bridge);
    second.Attach(&bridge);
    QObject receiver;
    std::vector<CObservable*> heard;
    std::vector<bool> onMainThread;
    QObject::connect(
        &bridge, &CObserverBridge::notified, &receiver,
        [&](CObservable* source) {
            heard.push_back(source);
            onMainThread.push_back(QThread::currentThread() == receiver.thread());
        },
        Qt::QueuedConnection);
    std::thread worker([&] {
        first.Notify();
        second.Notify();
        first.Notify();
    });
    worker.join();
    EXPECT_TRUE(heard.empty()); // queued, not called on the worker
    QCoreApplication::processEvents();
    EXPECT_EQ(heard, (std::vector<CObservable*>{&first, &second, &first}));
    EXPECT_EQ(onMainThread, (std::vector<bool>{true, true, true}));
}
