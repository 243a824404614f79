#pragma once
// What the window tests share: a QApplication on the offscreen platform, and
// a script of answers for the modal windows the program opens (boxes,
// pickers, the settings dialog), given from a timer on the window's thread.

#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>

namespace zumr_test {

// What a box said before it was answered.
struct SeenBox {
    std::u16string caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

class ModalScript {
public:
    using Answer = std::function<void(QWidget* modal)>;

    ModalScript();
    // Answers the next modal window that opens.
    void Then(Answer answer) { answers_.push_back(std::move(answer)); }
    // Presses `button` in the next box and records what it said.
    void ThenBox(QMessageBox::StandardButton button);
    bool Done() const { return answers_.empty() && !running_; }
    const std::deque<SeenBox>& Boxes() const { return boxes_; }

private:
    void Poll();

    QTimer timer_;
    std::deque<Answer> answers_;
    std::deque<SeenBox> boxes_;
    QPointer<QWidget> last_;
    bool running_ = false;
};

}  // namespace zumr_test
