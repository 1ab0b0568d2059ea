// The tab control that carries the option pages. It only draws the tabs and the pane;
// the owner creates the pages as its children, places them and shows one at a time.
#pragma once

#include <QWidget>

class QTabBar;

namespace ostrel {

class CTabCtrlEx : public QWidget {
    Q_OBJECT
public:
    enum class Variant {
        Desktop, // the background is erased white
        AddIn,   // the background is never erased: what lies beneath shows through
    };
    explicit CTabCtrlEx(QWidget* parent = nullptr, Variant variant = Variant::Desktop);

    Variant variant() const { return variant_; }
    int InsertItem(int index, const QString& text);
    int GetItemCount() const;
    void SetCurSel(int index);
    // The tab under a point in the control's coordinates, or -1.
    int HitTest(const QPoint& point) const;
    QTabBar* tabBar() const { return tabBar_; }

signals:
    // The highlighted tab changed (by mouse or keyboard).
    void selectionChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeTabBar();

    Variant variant_;
    QTabBar* tabBar_;
};

} // namespace ostrel
