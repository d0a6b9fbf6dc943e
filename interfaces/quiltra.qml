// SPDX-License-Identifier: GPL-3.0-or-later
// The interface movie of the main program. It owns the look: title bar, toolbar, the photo
// strip, the result and the progress display. Everything it does goes to the program as a
// command (host.FSCommand); the program answers through shared variables and frame labels
// (onFrameAction). Interface version 100.
pragma ComponentBehavior: Bound
import QtQuick

Rectangle {
    id: root

    required property var host

    readonly property int interfaceVersion: 100
    readonly property color accent: "#2f7de1"
    readonly property color panel: "#252c38"
    readonly property color ink: "#e8edf3"
    readonly property color dimInk: "#93a1b3"

    property bool windowActive: true
    property bool hasResult: false
    // False once the photos changed or a stitch began after the result was shown: the old
    // panorama stays dimmed, and nothing is published from it until the next stitch.
    property bool resultCurrent: false
    readonly property bool canPublish: hasResult && resultCurrent
    // The whole panorama scaled into the result area, or shown at the area's height.
    property bool fitToWindow: false
    property int resultWidth: 0
    property int resultHeight: 0
    property string statusNote: ""
    property int resultGeneration: 0
    property bool progressShown: false
    property int progressValue: 1
    property string progressText: ""
    property bool fullCircle: false
    property int currentProfile: 0
    property point pointer: Qt.point(0, 0)

    width: 980
    height: 700
    color: "#1b212b"

    ListModel { id: photos }    // path, thumb, photoWidth, photoHeight, name, code
    ListModel { id: slices }    // sliceUrl
    ListModel { id: profiles }  // name, desc

    // A local path as a file URL: every segment percent-encoded (spaces, "#", "?", non-ASCII).
    function fileUrl(path) {
        if (!path)
            return ""
        return "file://" + path.split("/").map(encodeURIComponent).join("/")
    }
    function number(text) {
        const value = parseInt(text, 10)
        return isNaN(value) ? 0 : value
    }
    function send(command, argument) {
        root.host.FSCommand(command, argument === undefined ? "" : argument)
    }
    // Keeps "NumImagesToAlign", "alignpath%d" and "alignang%d" as the strip shows them.
    function publishPhotos() {
        root.host.SetVariable("NumImagesToAlign", String(photos.count))
        for (let i = 0; i < photos.count; ++i) {
            root.host.SetVariable("alignpath" + i, photos.get(i).path)
            root.host.SetVariable("alignang" + i, String(photos.get(i).code))
        }
    }
    function projectChanged() {
        root.resultCurrent = false
        publishPhotos()
        send("IDC_PROJECTCHANGED")
    }
    function stitch() {
        root.resultCurrent = false
        publishPhotos()
        send("AlignImages")
    }
    // Local files dropped from a file manager go to the program as "DroppedUrl<i>".
    function dropUrls(urls) {
        root.host.SetVariable("NumDroppedUrls", String(urls.length))
        for (let i = 0; i < urls.length; ++i)
            root.host.SetVariable("DroppedUrl" + i, String(urls[i]))
        send("IDC_DROP_IMAGES")
    }
    function addImages() {
        const count = number(root.host.GetVariable("NumImagesToAdd"))
        for (let i = 0; i < count; ++i) {
            photos.append({
                path: root.host.GetVariable("ImagePathToAdd" + i),
                thumb: root.host.GetVariable("ImageThumbnail" + i),
                photoWidth: number(root.host.GetVariable("ImageWidth" + i)),
                photoHeight: number(root.host.GetVariable("ImageHeight" + i)),
                name: root.host.GetVariable("FileName" + i),
                code: number(root.host.GetVariable("ImageRotation" + i))
            })
        }
        // The program keeps the changed flag itself here: set for added photos, clear for an
        // opened project.
        root.resultCurrent = false
        publishPhotos()
    }
    function getResult() {
        // The slices keep their names from one stitch to the next: a new generation in the
        // URL makes every image load again.
        root.resultGeneration += 1
        slices.clear()
        const count = number(root.host.GetVariable("NumImagesToAdd"))
        root.resultHeight = number(root.host.GetVariable("ImagesHeight"))
        root.resultWidth = number(root.host.GetVariable("ImagesWidth"))
        for (let i = 0; i < count; ++i)
            slices.append({ sliceUrl: fileUrl(root.host.GetVariable("ImageThumbnail" + i))
                                    + "?generation=" + root.resultGeneration })
        root.hasResult = count > 0
        root.resultCurrent = root.hasResult
        resultView.contentX = 0
    }
    function newProject() {
        photos.clear()
        slices.clear()
        root.hasResult = false
        publishPhotos()
    }
    function loadProfiles() {
        profiles.clear()
        const count = number(root.host.GetVariable("namemax"))
        for (let i = 0; i < count; ++i)
            profiles.append({ name: root.host.GetVariable("name" + i),
                              desc: root.host.GetVariable("desc" + i) })
        const current = number(root.host.GetVariable("curparam"))
        root.currentProfile = current >= 0 && current < count ? current : 0
        root.host.SetVariable("curparam", String(root.currentProfile))
    }
    function chooseProfile(index) {
        root.currentProfile = index
        root.host.SetVariable("curparam", String(index))
    }
    function setFullCircle(on) {
        root.fullCircle = on
        root.host.SetVariable("full360", on ? "true" : "false")
    }
    function rotatePhoto(index) {
        photos.setProperty(index, "code", (photos.get(index).code + 1) % 4)
        projectChanged()
    }
    function removePhoto(index) {
        photos.remove(index)
        projectChanged()
    }
    function movePhoto(from, to) {
        if (from === to || to < 0 || to >= photos.count)
            return
        photos.move(from, to, 1)
        projectChanged()
    }
    // The program's order for the list: "PhotoOrder<i>" is the place in the list now of the
    // photo that goes to place i. Anything but a rearrangement of the whole list is ignored.
    function orderPhotos() {
        const order = []
        for (let i = 0; i < photos.count; ++i)
            order.push(number(root.host.GetVariable("PhotoOrder" + i)))
        if (order.slice().sort((a, b) => a - b).some((photo, i) => photo !== i))
            return
        // placed[k]: the place the photo now at k had before
        const placed = Array.from(order.keys())
        for (let i = 0; i < order.length; ++i) {
            const from = placed.indexOf(order[i])
            photos.move(from, i, 1)
            placed.splice(i, 0, placed.splice(from, 1)[0])
        }
        projectChanged()
    }
    function frameAction(operation, target, label) {
        if (operation === "TGotoLabel" && target === "/TitleBar") {
            root.windowActive = label === "Active"
            return
        }
        if (operation === "TPlay" && target === "/page") {
            loadProfiles()
            return
        }
        if (operation !== "TCallLabel")
            return
        switch (label) {
        case "AddImages": addImages(); break
        case "GetResult": getResult(); break
        case "SetProgress":
            root.progressText = root.host.GetVariable("PBarText")
            root.progressValue = Math.max(1, Math.min(101, number(root.host.GetVariable("PBarProgress"))))
            root.progressShown = true
            break
        case "HideProgress": root.progressShown = false; break
        case "ShowStatus":
            root.statusNote = root.host.GetVariable("StatusText")
            statusNoteTimer.restart()
            break
        case "newProject": newProject(); break
        case "OrderPhotos": orderPhotos(); break
        case "SetProfileString":
            setFullCircle(root.host.GetVariable("Full360") === "true")
            break
        case "onRightButtonDown": break
        case "onRightButtonUp": contextMenu.openAt(root.pointer); break
        }
    }

    Connections {
        target: root.host
        function onFrameAction(operation, target, label) { root.frameAction(operation, target, label) }
        function onVariableChanged(name) {
            if (name === "namemax")
                profileRefresh.restart()
        }
    }

    // The program sets the profile variables one by one; the list is read once they are all set.
    Timer {
        id: profileRefresh
        interval: 0
        onTriggered: root.loadProfiles()
    }

    Timer {
        id: statusNoteTimer
        interval: 8000
        onTriggered: root.statusNote = ""
    }

    Shortcut { sequence: "Ctrl+N"; onActivated: root.send("IDS_NEWPROJECT") }
    Shortcut { sequence: "Ctrl+O"; onActivated: root.send("IDC_OPEN_WORKSPACE") }
    Shortcut {
        sequence: "Ctrl+S"
        enabled: photos.count > 0
        onActivated: root.send("IDC_SAVEPROJECT")
    }
    Shortcut { sequence: "F1"; onActivated: root.send("Help", "Content") }

    DropArea {
        objectName: "photoDrop"
        anchors.fill: parent
        keys: ["text/uri-list"]
        onDropped: drop => {
            if (!drop.hasUrls)
                return
            drop.accept(Qt.CopyAction)
            root.dropUrls(drop.urls)
        }
    }

    Component.onCompleted: {
        setFullCircle(false)
        publishPhotos()
        send("ID_CHECKVERSION", String(interfaceVersion))
        send("GetProfileString", "Full360")
        if (root.host.GetVariable("namemax") !== "")
            loadProfiles()
    }

    HoverHandler {
        onPointChanged: root.pointer = point.position
    }

    // ---- components -------------------------------------------------------------------
    component FlatButton: Rectangle {
        id: button
        property string label: ""
        property bool primary: false
        property bool available: true
        // Drawn as switched on (a toggle such as "Full 360°").
        property bool checked: false
        // Longer captions are cut with an ellipsis.
        property int maximumWidth: 100000
        signal activated()
        implicitWidth: Math.min(maximumWidth, Math.max(84, caption.implicitWidth + 28))
        implicitHeight: 34
        radius: 6
        opacity: available ? 1.0 : 0.38
        color: primary ? (area.pressed ? "#2465b8" : area.containsMouse ? "#3d8cf0" : root.accent)
                       : (area.pressed ? "#3a4454" : area.containsMouse ? "#333c4a" : "#2b3340")
        border.color: checked ? root.accent : primary ? "transparent" : "#3a4454"
        Text {
            id: caption
            anchors.centerIn: parent
            width: Math.min(implicitWidth, button.width - 20)
            text: button.label
            elide: Text.ElideRight
            color: root.ink
            font.pixelSize: 14
            font.bold: button.primary
        }
        MouseArea {
            id: area
            anchors.fill: parent
            hoverEnabled: true
            enabled: button.available
            cursorShape: Qt.PointingHandCursor
            onClicked: button.activated()
        }
    }

    component WindowButton: Rectangle {
        id: windowButton
        property string glyph: ""
        property bool danger: false
        property bool available: true
        signal activated()
        width: Math.max(46, glyphText.implicitWidth + 24)
        height: 34
        opacity: available ? 1.0 : 0.38
        color: hover.containsMouse && available ? (danger ? "#c42b1c" : "#3a4454") : "transparent"
        Text {
            id: glyphText
            anchors.centerIn: parent
            text: windowButton.glyph
            color: root.ink
            font.pixelSize: 14
        }
        MouseArea {
            id: hover
            anchors.fill: parent
            hoverEnabled: true
            enabled: windowButton.available
            onClicked: windowButton.activated()
        }
    }

    component MenuEntry: Rectangle {
        id: entry
        property string label: ""
        property bool available: true
        // A tick before the label: the entry that is in use.
        property bool checked: false
        signal activated()
        width: parent ? parent.width : 200
        height: 30
        color: entryArea.containsMouse && available ? "#33405a" : "transparent"
        Text {
            anchors.verticalCenter: parent.verticalCenter
            x: 10
            visible: entry.checked
            text: "✓"
            color: root.accent
            font.pixelSize: 14
            font.bold: true
        }
        Text {
            objectName: "menuLabel"
            anchors.verticalCenter: parent.verticalCenter
            x: 30
            width: entry.width - 44
            text: entry.label
            elide: Text.ElideRight
            color: entry.available ? root.ink : root.dimInk
            font.pixelSize: 14
            font.bold: entry.checked
        }
        MouseArea {
            id: entryArea
            anchors.fill: parent
            hoverEnabled: true
            enabled: entry.available
            onClicked: entry.activated()
        }
    }

    // Measures menu labels, so a menu is as wide as its longest entry.
    TextMetrics {
        id: menuMetrics
        font.pixelSize: 14
        font.bold: true
    }
    function menuEntryWidth(label) {
        menuMetrics.text = label
        return Math.ceil(menuMetrics.advanceWidth) + 44
    }

    // ---- title bar ----------------------------------------------------------------------
    Rectangle {
        id: titleBar
        objectName: "titleBar"
        anchors.left: parent.left
        anchors.right: parent.right
        height: 34
        color: root.windowActive ? "#141920" : "#20252d"

        MouseArea {
            anchors.fill: parent
            onPressed: root.send("DRAG_TITLE_BEGIN")
            onReleased: root.send("DRAG_TITLE_END")
            onDoubleClicked: root.send("IDC_MAXIMIZE")
        }
        Image {
            id: titleIcon
            source: "qrc:/skylacer/panorama.png"
            sourceSize.width: 40
            sourceSize.height: 40
            width: 20
            height: 20
            x: 10
            anchors.verticalCenter: parent.verticalCenter
        }
        Text {
            id: titleText
            anchors.left: titleIcon.right
            anchors.leftMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            text: "Skylacer"
            color: root.windowActive ? root.ink : root.dimInk
            font.pixelSize: 14
        }
        // The project's commands, as a menu bar would hold them.
        Row {
            anchors.left: titleText.right
            anchors.leftMargin: 18
            height: parent.height
            WindowButton { objectName: "newButton"; glyph: qsTr("New"); onActivated: root.send("IDS_NEWPROJECT") }
            WindowButton { objectName: "openButton"; glyph: qsTr("Open"); onActivated: root.send("IDC_OPEN_WORKSPACE") }
            WindowButton {
                objectName: "saveProjectButton"
                glyph: qsTr("Save project")
                available: photos.count > 0
                onActivated: root.send("IDC_SAVEPROJECT")
            }
        }
        Row {
            anchors.right: parent.right
            height: parent.height
            WindowButton {
                id: helpButton
                objectName: "helpButton"
                glyph: qsTr("Help")
                width: 60
                onActivated: helpMenu.visible = !helpMenu.visible
            }
            WindowButton { objectName: "minimiseButton"; glyph: "–"; onActivated: root.send("IDC_MINIMIZE") }
            WindowButton { objectName: "maximiseButton"; glyph: "□"; onActivated: root.send("IDC_MAXIMIZE") }
            WindowButton { objectName: "closeButton"; glyph: "✕"; danger: true; onActivated: root.send("IDC_CLOSE") }
        }
    }

    // ---- toolbar ------------------------------------------------------------------------
    Rectangle {
        id: toolbar
        objectName: "toolbar"
        anchors.top: titleBar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        // One row at the default window size; a narrower window wraps the buttons onto more rows.
        height: tools.height + 20
        color: root.panel

        Flow {
            id: tools
            objectName: "toolbarButtons"
            x: 10
            y: 10
            width: parent.width - 20
            spacing: 8
            FlatButton { objectName: "addButton"; label: qsTr("Add photos"); onActivated: root.send("IDC_ADD_IMAGES") }
            FlatButton {
                objectName: "fullCircleButton"
                label: root.fullCircle ? qsTr("Full 360°: on") : qsTr("Full 360°: off")
                checked: root.fullCircle
                onActivated: {
                    root.setFullCircle(!root.fullCircle)
                    root.host.SetVariable("ProfileString", root.fullCircle ? "true" : "false")
                    root.send("SetProfileString", "Full360")
                }
            }
            FlatButton {
                id: profileButton
                objectName: "profileButton"
                label: qsTr("Profile: %1").arg(profiles.count > 0 ? profiles.get(root.currentProfile).name : "–") + "  ▾"
                maximumWidth: 220
                onActivated: {
                    if (profileMenu.visible)
                        profileMenu.visible = false
                    else
                        profileMenu.openUnder(profileButton)
                }
            }
            FlatButton { objectName: "tunerButton"; label: qsTr("Tuner…"); onActivated: root.send("IDC_OPTIONS") }
            FlatButton {
                objectName: "stitchButton"
                label: qsTr("Stitch")
                primary: true
                onActivated: root.stitch()
            }
        }
    }

    // ---- photo strip --------------------------------------------------------------------
    Rectangle {
        id: strip
        anchors.top: toolbar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: 10
        height: Math.max(150, Math.min(230, root.height * 0.3))
        radius: 8
        color: "#20262f"
        border.color: "#2d3543"

        Text {
            anchors.centerIn: parent
            visible: photos.count === 0
            text: qsTr("Add the photos of your panorama, from left to right")
            color: root.dimInk
            font.pixelSize: 16
        }

        ListView {
            id: photoList
            objectName: "photoList"
            anchors.fill: parent
            anchors.margins: 10
            orientation: ListView.Horizontal
            spacing: 10
            clip: true
            model: photos
            moveDisplaced: Transition { NumberAnimation { properties: "x"; duration: 150 } }

            delegate: Item {
                id: slot
                required property int index
                required property string thumb
                required property string name
                required property int photoWidth
                required property int photoHeight
                required property int code
                width: photoList.height * 0.92
                height: photoList.height

                Rectangle {
                    id: tile
                    objectName: "photoTile" + slot.index
                    width: slot.width
                    height: slot.height
                    radius: 6
                    color: slot.photoWidth > 0 ? "#2b3340" : "#3a2326"
                    border.color: slot.photoWidth > 0 ? "#3a4454" : "#c25b5b"
                    Drag.active: dragArea.drag.active

                    Item {
                        id: picture
                        anchors.left: parent.left
                        anchors.right: parent.right
                        anchors.top: parent.top
                        anchors.margins: 6
                        height: parent.height - 52
                        clip: true
                        Image {
                            objectName: "thumbnail" + slot.index
                            anchors.centerIn: parent
                            visible: slot.photoWidth > 0
                            // A quarter turn swaps the sides the picture must fit.
                            width: slot.code % 2 === 0 ? parent.width : parent.height
                            height: slot.code % 2 === 0 ? parent.height : parent.width
                            rotation: slot.code * 90
                            source: root.fileUrl(slot.thumb)
                            fillMode: Image.PreserveAspectFit
                            asynchronous: true
                            smooth: true
                            mipmap: true
                        }
                        Text {
                            anchors.centerIn: parent
                            width: parent.width - 10
                            visible: slot.photoWidth === 0
                            text: qsTr("This photo cannot be read")
                            wrapMode: Text.WordWrap
                            horizontalAlignment: Text.AlignHCenter
                            color: "#f0b4b4"
                            font.pixelSize: 13
                        }
                    }
                    Text {
                        anchors.left: parent.left
                        anchors.right: parent.right
                        anchors.top: picture.bottom
                        anchors.margins: 6
                        text: slot.name
                        elide: Text.ElideMiddle
                        color: root.ink
                        font.pixelSize: 13
                    }
                    Text {
                        anchors.left: parent.left
                        anchors.bottom: parent.bottom
                        anchors.margins: 6
                        text: slot.photoWidth > 0 ? slot.photoWidth + " × " + slot.photoHeight : ""
                        color: root.dimInk
                        font.pixelSize: 11
                    }
                    MouseArea {
                        id: dragArea
                        anchors.fill: parent
                        drag.target: tile
                        drag.axis: Drag.XAxis
                        onReleased: {
                            const centre = tile.mapToItem(photoList.contentItem, tile.width / 2, tile.height / 2)
                            const target = photoList.indexAt(centre.x, centre.y)
                            tile.x = 0
                            root.movePhoto(slot.index, target)
                        }
                    }
                    Row {
                        anchors.right: parent.right
                        anchors.top: parent.top
                        anchors.margins: 10
                        spacing: 4
                        FlatButton {
                            objectName: "rotate" + slot.index
                            label: "↻"
                            implicitWidth: 30
                            implicitHeight: 24
                            onActivated: root.rotatePhoto(slot.index)
                        }
                        FlatButton {
                            objectName: "remove" + slot.index
                            label: "✕"
                            implicitWidth: 30
                            implicitHeight: 24
                            onActivated: root.removePhoto(slot.index)
                        }
                    }
                }
            }
        }
    }

    // ---- result -------------------------------------------------------------------------
    Rectangle {
        id: resultArea
        objectName: "resultArea"
        anchors.top: strip.bottom
        anchors.bottom: statusBar.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: 10
        radius: 8
        color: "#12161c"
        border.color: "#2d3543"
        clip: true

        Text {
            anchors.centerIn: parent
            visible: !root.hasResult
            text: qsTr("Stitch the photos to see the panorama here")
            color: root.dimInk
            font.pixelSize: 16
        }

        // What is done with the result: how it is shown, and where it is published.
        Item {
            id: resultTools
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 8
            height: 34
            FlatButton {
                objectName: "fitButton"
                label: root.fitToWindow ? qsTr("Full height") : qsTr("Fit to window")
                available: root.hasResult
                onActivated: root.fitToWindow = !root.fitToWindow
            }
            Row {
                anchors.right: parent.right
                spacing: 8
                FlatButton {
                    objectName: "saveImageButton"
                    label: qsTr("Save image")
                    available: root.canPublish
                    onActivated: root.send("IDC_SAVEASIMAGE")
                }
                FlatButton {
                    objectName: "webPageButton"
                    label: qsTr("Web page")
                    available: root.canPublish
                    onActivated: root.send("IDC_EXPORTTOHTML")
                }
                FlatButton {
                    objectName: "viewerButton"
                    label: qsTr("Viewer program")
                    available: root.canPublish
                    onActivated: root.send("IDC_EXPORTTOEXE")
                }
            }
        }

        Flickable {
            id: resultView
            objectName: "resultView"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: resultTools.bottom
            anchors.bottom: resultScrollBar.top
            anchors.margins: 8
            contentWidth: sliceRow.width
            contentHeight: height
            boundsBehavior: Flickable.StopAtBounds
            visible: root.hasResult
            opacity: root.resultCurrent ? 1.0 : 0.35

            Row {
                id: sliceRow
                objectName: "sliceRow"
                // Fitted, the whole panorama shows: no higher than the view's width allows.
                height: root.fitToWindow && root.resultWidth > 0
                        ? Math.min(resultView.height, resultView.width * root.resultHeight / root.resultWidth)
                        : resultView.height
                anchors.verticalCenter: parent ? parent.verticalCenter : undefined
                Repeater {
                    model: slices
                    delegate: Image {
                        required property string sliceUrl
                        // Every slice shares the panorama's height: scaled alike they join.
                        readonly property real scale_: root.resultHeight > 0 ? sliceRow.height / root.resultHeight : 1
                        height: sliceRow.height
                        width: status === Image.Ready ? Math.round(implicitWidth * scale_) : 0
                        source: sliceUrl
                        cache: false
                        smooth: true
                        mipmap: true
                        fillMode: Image.Stretch
                    }
                }
            }
        }

        // A plain (vertical) wheel scrolls the panorama sideways; clicks and drags go on to
        // the view beneath.
        MouseArea {
            anchors.fill: resultView
            acceptedButtons: Qt.NoButton
            enabled: root.hasResult
            onWheel: wheel => {
                const step = wheel.angleDelta.y !== 0 ? wheel.angleDelta.y : wheel.angleDelta.x
                const far = Math.max(0, resultView.contentWidth - resultView.width)
                resultView.contentX = Math.max(0, Math.min(far, resultView.contentX - step))
            }
        }

        Rectangle {
            anchors.centerIn: resultView
            visible: root.hasResult && !root.resultCurrent
            width: staleText.implicitWidth + 32
            height: staleText.implicitHeight + 18
            radius: 6
            color: "#d0141920"
            border.color: "#3a4454"
            Text {
                id: staleText
                objectName: "staleNotice"
                anchors.centerIn: parent
                text: qsTr("out of date: stitch again")
                color: root.ink
                font.pixelSize: 15
            }
        }

        Rectangle {
            id: resultScrollBar
            objectName: "resultScrollBar"
            readonly property real travel: width - scrollThumb.width
            readonly property real far: Math.max(0, resultView.contentWidth - resultView.width)
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 8
            height: 12
            radius: 6
            color: "#1e242d"
            opacity: far > 0 && root.hasResult ? 1.0 : 0.0

            // A click beside the thumb pages by one view's width.
            MouseArea {
                anchors.fill: parent
                enabled: resultScrollBar.far > 0
                onClicked: mouse => {
                    const page = mouse.x < scrollThumb.x ? -resultView.width : resultView.width
                    resultView.contentX = Math.max(0, Math.min(resultScrollBar.far, resultView.contentX + page))
                }
            }
            Rectangle {
                id: scrollThumb
                objectName: "resultScrollThumb"
                height: parent.height
                radius: 6
                width: Math.max(30, parent.width * Math.min(1, resultView.width / Math.max(1, resultView.contentWidth)))
                x: resultScrollBar.far > 0 ? resultScrollBar.travel * resultView.contentX / resultScrollBar.far : 0
                color: thumbArea.pressed ? root.accent : "#4a5668"
                MouseArea {
                    id: thumbArea
                    property real pressX: 0
                    property real pressContentX: 0
                    anchors.fill: parent
                    enabled: resultScrollBar.far > 0
                    onPressed: mouse => {
                        pressX = mapToItem(resultScrollBar, mouse.x, 0).x
                        pressContentX = resultView.contentX
                    }
                    onPositionChanged: mouse => {
                        const moved = mapToItem(resultScrollBar, mouse.x, 0).x - pressX
                        const wanted = pressContentX + moved * resultScrollBar.far / Math.max(1, resultScrollBar.travel)
                        resultView.contentX = Math.max(0, Math.min(resultScrollBar.far, wanted))
                    }
                }
            }
        }
    }

    Rectangle {
        id: statusBar
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        height: 26
        color: "#141920"
        Text {
            objectName: "statusText"
            anchors.verticalCenter: parent.verticalCenter
            x: 12
            width: parent.width - 24
            elide: Text.ElideMiddle
            text: (photos.count === 1 ? qsTr("1 photo") : qsTr("%1 photos").arg(photos.count))
                  + (profiles.count > 0 ? "  ·  " + qsTr("profile %1").arg(profiles.get(root.currentProfile).name) : "")
                  + (root.hasResult ? "  ·  " + (root.resultCurrent ? qsTr("panorama ready") : qsTr("out of date: stitch again")) : "")
                  + (root.statusNote !== "" ? "  ·  " + root.statusNote : "")
            color: root.dimInk
            font.pixelSize: 12
        }
    }

    // ---- menus --------------------------------------------------------------------------
    Rectangle {
        id: helpMenu
        objectName: "helpMenu"
        visible: false
        z: 10
        x: Math.max(0, Math.min(helpButton.mapToItem(root, 0, 0).x, root.width - width))
        y: titleBar.height
        width: 200
        height: helpColumn.height
        color: "#2b3340"
        border.color: "#3a4454"
        Column {
            id: helpColumn
            width: parent.width
            MenuEntry { label: qsTr("Contents"); onActivated: { helpMenu.visible = false; root.send("Help", "Content") } }
            MenuEntry { label: qsTr("Index"); onActivated: { helpMenu.visible = false; root.send("Help", "Index") } }
            MenuEntry { label: qsTr("Support"); onActivated: { helpMenu.visible = false; root.send("Help", "Support") } }
            MenuEntry { label: qsTr("About Skylacer"); onActivated: { helpMenu.visible = false; root.send("Help", "About") } }
        }
    }

    Rectangle {
        id: profileMenu
        objectName: "profileMenu"
        // As wide as the longest "name — description", within the window.
        property real contentWidth: 240
        visible: false
        z: 10
        width: Math.min(root.width - 20, Math.max(240, contentWidth))
        height: Math.min(profileColumn.height, root.height - y - 10)
        color: "#2b3340"
        border.color: "#3a4454"
        clip: true
        function openUnder(button) {
            let widest = 0
            for (let i = 0; i < profiles.count; ++i)
                widest = Math.max(widest, root.menuEntryWidth(profileLabel(profiles.get(i).name, profiles.get(i).desc)))
            contentWidth = widest
            const below = button.mapToItem(root, 0, button.height + 4)
            x = Math.max(10, Math.min(below.x, root.width - width - 10))
            y = below.y
            profileList.contentY = 0
            visible = true
        }
        function profileLabel(name, desc) {
            return name + (desc !== "" ? "  —  " + desc : "")
        }
        Flickable {
            id: profileList
            anchors.fill: parent
            contentHeight: profileColumn.height
            boundsBehavior: Flickable.StopAtBounds
            Column {
                id: profileColumn
                width: profileMenu.width
                Repeater {
                    model: profiles
                    delegate: MenuEntry {
                        required property int index
                        required property string name
                        required property string desc
                        objectName: "profileEntry" + index
                        label: profileMenu.profileLabel(name, desc)
                        checked: index === root.currentProfile
                        onActivated: { profileMenu.visible = false; root.chooseProfile(index) }
                    }
                }
            }
        }
    }

    Rectangle {
        id: contextMenu
        objectName: "contextMenu"
        visible: false
        z: 20
        width: 200
        height: contextColumn.height
        color: "#2b3340"
        border.color: "#3a4454"
        function openAt(point) {
            x = Math.min(point.x, root.width - width)
            y = Math.min(point.y, root.height - height)
            visible = true
        }
        Column {
            id: contextColumn
            width: parent.width
            MenuEntry { label: qsTr("Add photos"); onActivated: { contextMenu.visible = false; root.send("IDC_ADD_IMAGES") } }
            MenuEntry {
                label: qsTr("Stitch")
                onActivated: { contextMenu.visible = false; root.stitch() }
            }
            MenuEntry {
                label: qsTr("Save image")
                available: root.canPublish
                onActivated: { contextMenu.visible = false; root.send("IDC_SAVEASIMAGE") }
            }
            MenuEntry { label: qsTr("Help"); onActivated: { contextMenu.visible = false; root.send("Help", "Content") } }
            MenuEntry { label: qsTr("About Skylacer"); onActivated: { contextMenu.visible = false; root.send("Help", "About") } }
        }
    }

    // A click outside an open menu closes it.
    MouseArea {
        anchors.fill: parent
        z: 5
        visible: helpMenu.visible || profileMenu.visible || contextMenu.visible
        onClicked: {
            helpMenu.visible = false
            profileMenu.visible = false
            contextMenu.visible = false
        }
    }

    // ---- progress -----------------------------------------------------------------------
    Rectangle {
        id: progressOverlay
        objectName: "progressOverlay"
        anchors.fill: parent
        anchors.topMargin: titleBar.height
        z: 30
        visible: root.progressShown
        color: "#b0101418"

        MouseArea { anchors.fill: parent; hoverEnabled: true }

        Rectangle {
            anchors.centerIn: parent
            width: Math.min(460, parent.width - 40)
            height: 150
            radius: 10
            color: root.panel
            border.color: "#3a4454"

            Text {
                id: progressCaption
                objectName: "progressText"
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.margins: 18
                text: root.progressText
                elide: Text.ElideRight
                color: root.ink
                font.pixelSize: 15
            }
            Rectangle {
                id: track
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: progressCaption.bottom
                anchors.margins: 18
                height: 12
                radius: 6
                color: "#1b212b"
                Rectangle {
                    objectName: "progressFill"
                    width: track.width * (root.progressValue - 1) / 100
                    height: parent.height
                    radius: 6
                    color: root.accent
                }
            }
            FlatButton {
                objectName: "cancelButton"
                label: qsTr("Cancel")
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.margins: 14
                onActivated: root.send("IDCANCEL")
            }
        }
    }
}
