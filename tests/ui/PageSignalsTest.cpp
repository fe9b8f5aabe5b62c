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
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <string>
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

// The page's signals in the order they come, named.
struct SHeard
{
    SHeard(CInputPage* page, QWidget* field)
    {
        QObject::connect(page, &CInputPage::typeChanged, [this] { names.push_back("type"); });
        QObject::connect(page, &CInputPage::decimalPointRequested, [this] { names.push_back("decimal point"); });
        QObject::connect(page, &CInputPage::fieldEdited,
                         [this, field](QWidget* edited) { names.push_back(edited == field ? "field" : "other"); });
    }
    std::vector<std::string> names;
};

// Chooses the next entry of `list` as a user does, which Qt reports as activated.
void ChooseNext(QComboBox* list)
{
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
}

} // namespace

TEST(PageSignals, ASensorChoiceSaysTheImageChangedThenThatTheFieldWasEdited)
{
    CRegisterImage tc = NewImage(CAP_TC_INPUT);
    tc.SetWord(0, 0);
    auto temperature = PageOf(tc);
    auto* sensors = static_cast<CInputTemperaturePage*>(temperature.get())->TypeList();
    SHeard heard(temperature.get(), sensors);
    const int before = sensors->currentIndex();
    ChooseNext(sensors);
    ASSERT_NE(sensors->currentIndex(), before);
    // The step the window records holds what the page did with the choice.
    EXPECT_EQ(heard.names, (std::vector<std::string>{"type", "field"}));
    // What the window shows again once told: the sensor's range in the bar graph.
    EXPECT_EQ(tc.GetLong(32), CScalingParameterResolver(tc).InputRangeMinimum());

    // A DC type changes only the page's own edits: the window is not asked.
    CRegisterImage dc = NewImage(CAP_DC_INPUT);
    dc.SetWord(0, 0);
    auto scaling = PageOf(dc);
    auto* types = static_cast<CInputScalingPage*>(scaling.get())->TypeList();
    SHeard dcHeard(scaling.get(), types);
    ChooseNext(types);
    EXPECT_EQ(dc.GetWord(0), 1);
    EXPECT_EQ(dcHeard.names, (std::vector<std::string>{"field"}));

    // Finishing an edit is a field edited too.
    auto* zero = static_cast<CInputScalingPage*>(scaling.get())->DisplayZero();
    SHeard edited(scaling.get(), zero);
    QTest::keyClick(zero, Qt::Key_Return);
    EXPECT_EQ(edited.names, (std::vector<std::string>{"field"}));
}

TEST(PageSignals, TheDecimalPointButtonAsksTheWindowAndOpensNothingItself)
{
    CRegisterImage dc = NewImage(CAP_DC_INPUT);
    const CRegisterImage original = dc;
    auto page = PageOf(dc);
    QPushButton* button = nullptr;
    for (QPushButton* b : page->findChildren<QPushButton*>())
        if (b->property("controlId").toInt() == 1013)
            button = b;
    ASSERT_NE(button, nullptr);
    SHeard heard(page.get(), button);
    QTest::mouseClick(button, Qt::LeftButton); // a modal dialog here would never return
    EXPECT_EQ(heard.names, (std::vector<std::string>{"decimal point", "field"}));
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
