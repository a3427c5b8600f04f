#pragma once

#include <QIcon>
#include <QIconEngine>

#include <functional>

// An icon that is made when it is first drawn or measured, not when it is set:
// making an icon loads the image or SVG support and reads its files, which the
// program's start need not wait for. The icon stands for a picture that is
// there (it is never null).
class CLazyIconEngine : public QIconEngine
{
public:
    static QIcon Icon(std::function<QIcon()> make);

    void paint(QPainter* pPainter, const QRect& rect, QIcon::Mode eMode,
               QIcon::State eState) override;
    QSize actualSize(const QSize& size, QIcon::Mode eMode, QIcon::State eState) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode eMode, QIcon::State eState) override;
    QList<QSize> availableSizes(QIcon::Mode eMode, QIcon::State eState) override;
    QString iconName() override;
    bool isNull() override { return false; }
    QString key() const override;
    QIconEngine* clone() const override;

private:
    explicit CLazyIconEngine(std::function<QIcon()> make);
    const QIcon& Made();

    std::function<QIcon()> m_make;
    QIcon m_icon;
    bool m_bMade = false;
};
