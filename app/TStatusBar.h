#pragma once

#include <QString>
#include <QWidget>
#include <vector>

class QLabel;

// A status bar of sunken panels with fixed widths; the last one takes the rest of the width.
class TStatusBar : public QWidget
{
    Q_OBJECT
public:
    explicit TStatusBar(QWidget *parent = nullptr);

    struct Panel
    {
        int Width;
        Qt::Alignment Alignment;
    };
    void SetPanels(const std::vector<Panel> &panels);
    int PanelCount() const { return int(FLabels.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);
    QRect PanelRect(int index) const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void LayoutPanels();

    std::vector<Panel> FPanels;
    std::vector<QLabel *> FLabels;
};
