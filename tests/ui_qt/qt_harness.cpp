#include "tests/ui_qt/qt_harness.h"

#include <QAbstractButton>
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

// Qt, fontconfig and the platform plugins keep caches for the process's
// lifetime; the window's own objects are still checked.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig\nleak:libQt6Gui\nleak:libQt6Core\nleak:libQt6Widgets\nleak:libqoffscreen\n"
           "leak:libdbus\nleak:libglib\n";
}

namespace zumr_test {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "ui_qt_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

ModalScript::ModalScript()
{
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
}

void ModalScript::ThenBox(QMessageBox::StandardButton button)
{
    Then([this, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr) << "expected a box, got " << modal->metaObject()->className();
        boxes_.push_back(SeenBox{box->windowTitle().toStdU16String(), box->text().toStdU16String(), box->icon()});
        ASSERT_NE(box->button(button), nullptr);
        box->button(button)->click();
    });
}

void ModalScript::Poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == last_ || answers_.empty() || running_)
        return;
    last_ = modal;
    running_ = true;
    // Answered from an event of its own, so that a window the answer opens
    // in turn is seen by the next poll.
    QTimer::singleShot(0, [this, answer = std::move(answers_.front()), target = QPointer<QWidget>(modal)] {
        running_ = false;
        if (target)
            answer(target);
    });
    answers_.pop_front();
}

}  // namespace zumr_test
