// expect: total=24 exec=15 comment=6 blank=3
import QtQuick
import QtQuick.Controls

/*
 * The shop's main window.

 */
ApplicationWindow {
    id: window
    width: 640   // the width
    height: 480
    visible: true
    title: qsTr("Shop // not a comment")

    Button {
        text: 'it\'s /* text */'
        onClicked: console.log(`clicked
// still the template`)
    }

    // a comment line
    Label { text: "\"quoted\"" } /* trailing */
}
