// The main window's tool area: add device, search, connect all, project save and load, add group, the device
// counters and the language label "EN" / "CN". It forwards clicks; the main window acts.
#pragma once

#include <QWidget>

class QLabel;

namespace plenum::ui {

class UCButton;

class ToolArea final : public QWidget {
    Q_OBJECT
public:
    explicit ToolArea(double screenScale, QWidget* parent = nullptr);
    void retranslate(int languageFlag, const QString& languageLabel);
    void setCounts(int listed, int online, int languageFlag);

    UCButton* addButton() const { return add_; }
    UCButton* searchButton() const { return search_; }
    UCButton* connectAllButton() const { return connectAll_; }
    UCButton* saveButton() const { return save_; }
    UCButton* loadButton() const { return load_; }
    UCButton* groupButton() const { return group_; }
    QLabel* languageLabel() const { return language_; }

signals:
    void addClicked();
    void searchClicked();
    void connectAllClicked();
    void saveClicked();
    void loadClicked();
    void groupClicked();
    void languageClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    double scale_;
    UCButton* add_;
    UCButton* search_;
    UCButton* connectAll_;
    UCButton* save_;
    UCButton* load_;
    UCButton* group_;
    QLabel* listed_;
    QLabel* online_;
    QLabel* language_;
};

}  // namespace plenum::ui
