#pragma once
#include <QLabel>
#include <functional>

// A label whose change handler runs whenever its caption really changes.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
    std::function<void()> OnChange;
};
