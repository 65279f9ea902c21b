#pragma once

#include <QComboBox>

#include "port_discovery.h"

class CControlIni;

// The port-number list of both editions: items "1" to "255" in that order
// (the stored position keeps its meaning), each number that a present
// device is behind also naming it ("3 — ttyUSB0 · FT232R USB UART · A1B2C3").
// Present devices without a number get one, stored in [ports]. The list is
// looked at again each time it drops down, so an adapter plugged in while
// the program runs appears then. The tooltip shows the device the selected
// number opens. A last item, "添加网络端口...", asks for a network line
// (NetworkPortDialog) and stores it under the next free number, which it
// then selects; the item itself is never left selected.
class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit PortComboBox(QWidget* parent = nullptr);

    // Where numbers are looked up and stored; not owned, may be null.
    void SetSettings(CControlIni* settings) { m_settings = settings; }
    void SetDiscoveryRoots(const DiscoveryRoots& roots) { m_roots = roots; }
    const DiscoveryRoots& discoveryRoots() const { return m_roots; }

    // Replaces the items with the 255 numbers, then Refresh.
    void Fill();
    // Discovers the present devices, gives new ones their numbers and
    // renames the items; order and selection stay.
    void Refresh();
    // The tooltip names what the selected number opens (empty: no selection).
    void UpdateToolTip();

    void showPopup() override;
    // What the closed box shows: the selected item, cut with an ellipsis to
    // the room there is, but never shorter than its number.
    QString ShownText() const;

    // Position of the item "添加网络端口..." (after the 255 numbers).
    static constexpr int kAddNetworkIndex = 255;
    // Asks for a network line and stores it; the number it got, or 0.
    int AddNetworkPort();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnIndexChanged(int index);

    CControlIni* m_settings = nullptr;
    DiscoveryRoots m_roots;
    int m_lastIndex = -1;
};
