#pragma once

#include <QWidget>

class QToolButton;

// A pair of arrow buttons ("up", "down") holding a value of its own.
class UpDown : public QWidget
{
    Q_OBJECT
public:
    explicit UpDown(QWidget *parent = nullptr);
    int value() const { return m_value; }
    void setValue(int v);
    void setRange(int min, int max);

signals:
    void valueChanged(int value);

private:
    QToolButton *up = nullptr;
    QToolButton *down = nullptr;
    int m_value = 0;
    int m_min = 0;
    int m_max = 100;
};
