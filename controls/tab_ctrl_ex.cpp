#include "tab_ctrl_ex.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace ostrel {

CTabCtrlEx::CTabCtrlEx(QWidget* parent, Variant variant)
    : QWidget(parent), variant_(variant), tabBar_(new QTabBar(this)) {
    tabBar_->setDrawBase(false);
    tabBar_->setExpanding(false);
    connect(tabBar_, &QTabBar::currentChanged, this, &CTabCtrlEx::selectionChanged);
    placeTabBar();
}

int CTabCtrlEx::InsertItem(int index, const QString& text) {
    const int row = tabBar_->insertTab(index, text);
    placeTabBar();
    return row;
}

int CTabCtrlEx::GetItemCount() const {
    return tabBar_->count();
}

void CTabCtrlEx::SetCurSel(int index) {
    tabBar_->setCurrentIndex(index);
}

int CTabCtrlEx::HitTest(const QPoint& point) const {
    return tabBar_->tabAt(tabBar_->mapFrom(this, point));
}

void CTabCtrlEx::placeTabBar() {
    const QSize hint = tabBar_->sizeHint();
    tabBar_->setGeometry(2, 0, std::min(hint.width(), std::max(0, width() - 4)), hint.height());
}

void CTabCtrlEx::resizeEvent(QResizeEvent*) {
    placeTabBar();
}

void CTabCtrlEx::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (variant_ == Variant::Desktop) {
        painter.fillRect(rect(), Qt::white);
    }

    QStyleOptionTabWidgetFrame pane;
    pane.initFrom(this);
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    pane.rect = rect().adjusted(0, tabBar_->height() - overlap, 0, 0);
    pane.shape = QTabBar::RoundedNorth;
    pane.tabBarSize = tabBar_->size();
    pane.tabBarRect = tabBar_->geometry();
    if (tabBar_->currentIndex() >= 0) {
        pane.selectedTabRect = tabBar_->tabRect(tabBar_->currentIndex()).translated(tabBar_->pos());
    }
    pane.lineWidth = 1;
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &pane, &painter, this);
}

} // namespace ostrel
