#include "app/TStatusBar.h"

#include <QLabel>
#include <QPainter>

namespace {
constexpr int PanelGap = 2;
} // namespace

TStatusBar::TStatusBar(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
}

void TStatusBar::SetPanels(const std::vector<Panel> &panels)
{
    qDeleteAll(FLabels);
    FLabels.clear();
    FPanels = panels;
    for (const Panel &panel : FPanels) {
        auto *label = new QLabel(this);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(panel.Alignment | Qt::AlignVCenter);
        label->setContentsMargins(2, 0, 2, 0);
        label->show();
        FLabels.push_back(label);
    }
    LayoutPanels();
}

QString TStatusBar::PanelText(int index) const
{
    return FLabels.at(size_t(index))->text();
}

void TStatusBar::SetPanelText(int index, const QString &text)
{
    QLabel *label = FLabels.at(size_t(index));
    if (label->text() != text)
        label->setText(text);
}

QRect TStatusBar::PanelRect(int index) const
{
    return FLabels.at(size_t(index))->geometry();
}

void TStatusBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayoutPanels();
}

void TStatusBar::paintEvent(QPaintEvent *)
{
    // A size grip in the corner, as desktop status bars have.
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    for (int i = 0; i < 3; ++i) {
        const int d = 4 + i * 4;
        p.drawLine(width() - d, height() - 2, width() - 2, height() - d);
    }
}

void TStatusBar::LayoutPanels()
{
    int x = 0;
    const int h = height() - PanelGap;
    for (size_t i = 0; i < FLabels.size(); ++i) {
        const bool last = i + 1 == FLabels.size();
        const int w = last ? std::max(FPanels[i].Width, width() - x - 14) : FPanels[i].Width;
        FLabels[i]->setGeometry(x, PanelGap, w, h);
        x += w + PanelGap;
    }
}
