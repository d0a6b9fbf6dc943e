// SPDX-License-Identifier: GPL-3.0-or-later
// The about box's movie: product name, version text ("str_product", set by the program) and
// the makers' line. Any key or click closes the box (the program watches for them).
import QtQuick

Rectangle {
    id: root

    required property var host
    property string productText: ""

    width: 522
    height: 300
    gradient: Gradient {
        GradientStop { position: 0.0; color: "#23415f" }
        GradientStop { position: 1.0; color: "#101820" }
    }

    Connections {
        target: root.host
        function onVariableChanged(name, text) {
            if (name === "str_product")
                root.productText = text
        }
    }

    Image {
        id: logo
        source: "qrc:/skylacer/panorama.png"
        width: 96
        height: 96
        sourceSize.width: 192
        sourceSize.height: 192
        anchors.left: parent.left
        anchors.leftMargin: 36
        anchors.verticalCenter: parent.verticalCenter
        anchors.verticalCenterOffset: -20
    }

    Column {
        anchors.left: logo.right
        anchors.leftMargin: 28
        anchors.verticalCenter: logo.verticalCenter
        spacing: 8

        Text {
            text: "Skylacer 3"
            color: "#ffffff"
            font.pixelSize: 34
            font.bold: true
        }
        Text {
            text: qsTr("Panoramas from a turn of the camera")
            color: "#b9cde0"
            font.pixelSize: 15
        }
        Text {
            objectName: "productText"
            text: root.productText
            color: "#ffd666"
            font.pixelSize: 15
        }
    }

    Text {
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 18
        anchors.horizontalCenter: parent.horizontalCenter
        text: qsTr("Oskelvind · press any key or click to close")
        color: "#7f95aa"
        font.pixelSize: 12
    }
}
