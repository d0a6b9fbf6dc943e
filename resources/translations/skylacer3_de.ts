<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AppTexts</name>
    <message>
        <source>There are no photos in the project yet.

Please add some photos to continue.</source>
        <translation>Das Projekt enthält noch keine Fotos.

Bitte fügen Sie Fotos hinzu, um fortzufahren.</translation>
    </message>
    <message>
        <source>Not enough photos in the project to stitch a new panorama.
Please add more images in the project.

Would you like to use this photo as the final panoramic image
without stitching?
</source>
        <translation>Das Projekt enthält nicht genug Fotos, um ein neues Panorama zusammenzusetzen.
Bitte fügen Sie dem Projekt weitere Bilder hinzu.

Möchten Sie dieses Foto ohne Zusammensetzen
als fertiges Panoramabild verwenden?
</translation>
    </message>
    <message>
        <source>Exception: Not enough memory<byte value="xd"/>
<byte value="xd"/>
Please restart the program if you want to stitch another panorama.</source>
        <translation>Fehler: Nicht genügend Arbeitsspeicher<byte value="xd"/>
<byte value="xd"/>
Bitte starten Sie das Programm neu, wenn Sie ein weiteres Panorama zusammensetzen möchten.</translation>
    </message>
    <message>
        <source>Failed to read the photo:
%1

Error code: %2 (%3)</source>
        <translation>Das Foto konnte nicht gelesen werden:
%1

Fehlercode: %2 (%3)</translation>
    </message>
    <message>
        <source>Initializing...</source>
        <translation>Wird vorbereitet …</translation>
    </message>
    <message>
        <source>The requested user interface version is not supported by the installed engine version.
Please upgrade your version.

Would you like to proceed to download automatically?</source>
        <translation>Die angeforderte Version der Benutzeroberfläche wird von der installierten Programmversion nicht unterstützt.
Bitte aktualisieren Sie das Programm.

Möchten Sie die neue Version jetzt automatisch herunterladen?</translation>
    </message>
    <message>
        <source>Current project is changed.

Do you want to save the changes?</source>
        <translation>Das aktuelle Projekt wurde geändert.

Möchten Sie die Änderungen speichern?</translation>
    </message>
    <message>
        <source>Can not find user interface file at:
%1

Would you like to locate it yourself?</source>
        <translation>Die Datei der Benutzeroberfläche wurde nicht gefunden:
%1

Möchten Sie selbst nach ihr suchen?</translation>
    </message>
    <message>
        <source>Cannot open</source>
        <translation>Öffnen fehlgeschlagen</translation>
    </message>
    <message>
        <source>The file does not exist.</source>
        <translation>Die Datei existiert nicht.</translation>
    </message>
    <message>
        <source>No program on this computer is set up to open it, or no web browser is installed.</source>
        <translation>Auf diesem Rechner ist kein Programm zum Öffnen eingerichtet, oder es ist kein Webbrowser installiert.</translation>
    </message>
    <message>
        <source>The program that should open it reported a failure.</source>
        <translation>Das zum Öffnen vorgesehene Programm hat einen Fehler gemeldet.</translation>
    </message>
    <message>
        <source>xdg-open cannot be started. Please install the package xdg-utils.</source>
        <translation>xdg-open kann nicht gestartet werden. Bitte installieren Sie das Paket xdg-utils.</translation>
    </message>
    <message>
        <source>Saved %1</source>
        <translation>%1 gespeichert</translation>
    </message>
    <message>
        <source>There is no panorama yet.

Please stitch the photos first.</source>
        <translation>Es gibt noch kein Panorama.

Bitte setzen Sie zuerst die Fotos zusammen.</translation>
    </message>
    <message>
        <source>This program needs Qt 6.4 or later; the installed Qt is %1.

Please install the Qt 6 packages of your distribution (qt6-base, qt6-declarative).</source>
        <translation>Dieses Programm benötigt Qt 6.4 oder neuer; installiert ist Qt %1.

Bitte installieren Sie die Qt-6-Pakete Ihrer Distribution (qt6-base, qt6-declarative).</translation>
    </message>
    <message>
        <source>The QML module %1 that the interface needs is not installed.

Please install the package %2.</source>
        <translation>Das QML-Modul %1, das die Benutzeroberfläche benötigt, ist nicht installiert.

Bitte installieren Sie das Paket %2.</translation>
    </message>
    <message>
        <source>The user interface file
%1
cannot be loaded:

%2</source>
        <translation>Die Datei der Benutzeroberfläche
%1
kann nicht geladen werden:

%2</translation>
    </message>
    <message>
        <source>%1: the movie did not start</source>
        <translation>%1: Die Benutzeroberfläche ist nicht gestartet</translation>
    </message>
    <message>
        <source>JPEG files (*.jpg)|*.jpg;*.jpeg,*.jpe|All Files (*.*)|*.*||</source>
        <translation>JPEG-Dateien (*.jpg)|*.jpg;*.jpeg,*.jpe|Alle Dateien (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Oskelvind Skylacer Project (*.skl)|*.skl|All Files|*.*||</source>
        <translation>Oskelvind-Skylacer-Projekt (*.skl)|*.skl|Alle Dateien|*.*||</translation>
    </message>
    <message>
        <source>JPEG files (*.jpg)|*.jpg|QuickTime panorama files (*.mov)|*.mov|All Files|*.*||</source>
        <translation>JPEG-Dateien (*.jpg)|*.jpg|QuickTime-Panoramadateien (*.mov)|*.mov|Alle Dateien|*.*||</translation>
    </message>
    <message>
        <source>Executable files (*.exe)|*.exe|All Files|*.*||</source>
        <translation>Ausführbare Dateien (*.exe)|*.exe|Alle Dateien|*.*||</translation>
    </message>
    <message>
        <source>Web page with a Flash viewer (*.htm, *.html)|*.htm;*.html|Web page with a QuickTime VR viewer (*.htm, *.html)|*.htm;*.html|Web page with an ActiveX viewer (*.htm, *.html)|*.htm;*.html|Web page with a Java viewer (*.htm, *.html)|*.htm;*.html||</source>
        <translation>Webseite mit Flash-Viewer (*.htm, *.html)|*.htm;*.html|Webseite mit QuickTime-VR-Viewer (*.htm, *.html)|*.htm;*.html|Webseite mit ActiveX-Viewer (*.htm, *.html)|*.htm;*.html|Webseite mit Java-Viewer (*.htm, *.html)|*.htm;*.html||</translation>
    </message>
    <message>
        <source>Interface files (*.qml)|*.qml|All Files (*.*)|*.*||</source>
        <translation>Oberflächendateien (*.qml)|*.qml|Alle Dateien (*.*)|*.*||</translation>
    </message>
    <message>
        <source>version: %1 (build %2)</source>
        <translation>Version: %1 (Build %2)</translation>
    </message>
</context>
<context>
    <name>CAdvancedPage</name>
    <message>
        <source> Iterations </source>
        <translation> Iterationen </translation>
    </message>
    <message>
        <source>Image &amp;size at first iteration:</source>
        <translation>Bild&amp;größe bei der ersten Iteration:</translation>
    </message>
    <message>
        <source>&amp;Number of iterations per each level of details:</source>
        <translation>Anzahl der &amp;Iterationen je Detailstufe:</translation>
    </message>
    <message>
        <source>Pixel &amp;quantity used for non linear calculations:</source>
        <translation>Pixel&amp;menge für nichtlineare Berechnungen:</translation>
    </message>
    <message>
        <source> Splicing </source>
        <translation> Zusammenfügen </translation>
    </message>
    <message>
        <source>Number of &amp;pixels for image blending:</source>
        <translation>Anzahl der &amp;Pixel für die Überblendung:</translation>
    </message>
    <message>
        <source>Magnet Y shift:</source>
        <translation>Magnetische Y-Verschiebung:</translation>
    </message>
</context>
<context>
    <name>CFocalLengthPage</name>
    <message>
        <source>Detect focal length &amp;automatically</source>
        <translation>Brennweite &amp;automatisch erkennen</translation>
    </message>
    <message>
        <source>Application calculates the focal length automatically. If you receive unsuitable results, please set either the lens type or the focal length value used to shoot the photos.
Attention! 35mm equivalent</source>
        <translation>Das Programm berechnet die Brennweite automatisch. Wenn die Ergebnisse nicht passen, stellen Sie bitte entweder den Objektivtyp oder die bei der Aufnahme verwendete Brennweite ein.
Achtung: Kleinbild-Äquivalent (35 mm)</translation>
    </message>
    <message>
        <source> Manual Correction </source>
        <translation> Manuelle Korrektur </translation>
    </message>
    <message>
        <source>If you disable the automatic detection then the product will be forced to the settings entered below.</source>
        <translation>Wenn Sie die automatische Erkennung ausschalten, verwendet das Programm die unten eingegebenen Einstellungen.</translation>
    </message>
    <message>
        <source>&amp;Lens:</source>
        <translation>&amp;Objektiv:</translation>
    </message>
    <message>
        <source>Wide-angle</source>
        <translation>Weitwinkel</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Tele</translation>
    </message>
    <message>
        <source>&amp;Focal length (mm):</source>
        <translation>Brenn&amp;weite (mm):</translation>
    </message>
    <message>
        <source>(35mm camera equivalent)</source>
        <translation>(Kleinbild-Äquivalent)</translation>
    </message>
</context>
<context>
    <name>CGeneralPage</name>
    <message>
        <source>Photos overlap &amp;from about  </source>
        <translation>Fotos überlappen sich &amp;von etwa  </translation>
    </message>
    <message>
        <source>% up &amp;to</source>
        <translation>% bis &amp;zu</translation>
    </message>
    <message>
        <source>&amp;Crop the resulting panoramic image</source>
        <translation>Panoramabild zu&amp;schneiden</translation>
    </message>
    <message>
        <source>Removes black areas in the final result that can appear due to unsteady or unleveled originals.</source>
        <translation>Entfernt schwarze Ränder im Ergebnis, die durch verwackelte oder schief aufgenommene Ausgangsbilder entstehen können.</translation>
    </message>
    <message>
        <source>Calculate camera &amp;rotation</source>
        <translation>Kamera&amp;drehung berechnen</translation>
    </message>
    <message>
        <source>Calculates possible camera level rotation while shooting without tripod.</source>
        <translation>Berechnet eine mögliche Schräglage der Kamera bei Aufnahmen ohne Stativ.</translation>
    </message>
    <message>
        <source>Correct image &amp;distortion</source>
        <translation>Bildverzerrung &amp;korrigieren</translation>
    </message>
    <message>
        <source>Automatically corrects linear, perspective and focal image distortions.</source>
        <translation>Korrigiert lineare, perspektivische und brennweitenbedingte Bildverzerrungen automatisch.</translation>
    </message>
</context>
<context>
    <name>CImageOpt</name>
    <message>
        <source>pixels</source>
        <translation>Pixel</translation>
    </message>
    <message>
        <source>percents</source>
        <translation>Prozent</translation>
    </message>
    <message>
        <source> Keep &amp;aspect ratio</source>
        <translation> &amp;Seitenverhältnis beibehalten</translation>
    </message>
    <message>
        <source>Output Image Options</source>
        <translation>Optionen für das Ausgabebild</translation>
    </message>
    <message>
        <source>&amp;Width:</source>
        <translation>&amp;Breite:</translation>
    </message>
    <message>
        <source>&amp;Height:</source>
        <translation>&amp;Höhe:</translation>
    </message>
    <message>
        <source> JPEG Quality </source>
        <translation> JPEG-Qualität </translation>
    </message>
    <message>
        <source>Low</source>
        <translation>Niedrig</translation>
    </message>
    <message>
        <source>High</source>
        <translation>Hoch</translation>
    </message>
</context>
<context>
    <name>CMTuneDlg</name>
    <message>
        <source>&amp;New...</source>
        <translation>Ne&amp;u …</translation>
    </message>
    <message>
        <source>Oskelvind Skylacer Tuner</source>
        <translation>Oskelvind Skylacer – Parameter</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>&amp;Export...</source>
        <translation>E&amp;xportieren …</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Lens</source>
        <translation>Objektiv</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Erweitert</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>N&amp;ame:</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>&amp;Description:</source>
        <translation>&amp;Beschreibung:</translation>
    </message>
    <message>
        <source>Registry files (*.reg)|*.reg||</source>
        <translation>Registrierungsdateien (*.reg)|*.reg||</translation>
    </message>
</context>
<context>
    <name>CSetName</name>
    <message>
        <source>Name Your Profile</source>
        <translation>Profil benennen</translation>
    </message>
    <message>
        <source>Enter profile name:</source>
        <translation>Geben Sie einen Namen für das Profil ein:</translation>
    </message>
</context>
<context>
    <name>CViewAngle</name>
    <message>
        <source>Please provide the horizontal field of view (HFOV) of your panoramic image in degrees.</source>
        <translation>Bitte geben Sie den horizontalen Bildwinkel (HFOV) Ihres Panoramabilds in Grad an.</translation>
    </message>
    <message>
        <source>&amp;HFOV:</source>
        <translation>&amp;HFOV:</translation>
    </message>
    <message>
        <source> degrees (15°-360°)</source>
        <translation> Grad (15°–360°)</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Usage: panorama [PROJECT]
       panorama PHOTO...
Stitches overlapping photos into a panorama and publishes it as a picture, a web page,
a QuickTime VR movie or a viewer program.

PROJECT is a project file (.skl) to open. When every argument is a JPEG or PNG photo,
a new project starts with these photos.

  -h, --help     show this help and end
      --version  show the version and end
</source>
        <translation>Aufruf: panorama [PROJEKT]
        panorama FOTO…
Setzt überlappende Fotos zu einem Panorama zusammen und veröffentlicht es als Bild,
Webseite, QuickTime-VR-Film oder Viewer-Programm.

PROJEKT ist eine Projektdatei (.skl), die geöffnet wird. Sind alle Argumente JPEG- oder
PNG-Fotos, beginnt ein neues Projekt mit diesen Fotos.

  -h, --help     diese Hilfe anzeigen und beenden
      --version  die Version anzeigen und beenden
</translation>
    </message>
    <message>
        <source>cannot find the program&apos;s folder: %1</source>
        <translation>Der Ordner des Programms ist nicht auffindbar: %1</translation>
    </message>
    <message>
        <source>cannot write to standard output: %1</source>
        <translation>Schreiben in die Standardausgabe nicht möglich: %1</translation>
    </message>
</context>
<context>
    <name>DialogButtons</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>DialogTexts</name>
    <message>
        <source>Please enter an integer.</source>
        <translation>Bitte geben Sie eine ganze Zahl ein.</translation>
    </message>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Bitte geben Sie eine ganze Zahl zwischen %1 und %2 ein.</translation>
    </message>
    <message>
        <source>You are going to delete the current parameter set.<byte value="xd"/>
<byte value="xd"/>
Are you sure?</source>
        <translation>Sie sind dabei, den aktuellen Parametersatz zu löschen.<byte value="xd"/>
<byte value="xd"/>
Sind Sie sicher?</translation>
    </message>
    <message>
        <source>No parameters detected. Setting default parameters.</source>
        <translation>Keine Parameter gefunden. Die Standardparameter werden eingestellt.</translation>
    </message>
    <message>
        <source>Please enter a name for the new parameter set.</source>
        <translation>Bitte geben Sie einen Namen für den neuen Parametersatz ein.</translation>
    </message>
    <message>
        <source>Failed to save the parameter sets.<byte value="xd"/>
<byte value="xd"/>
Please check that the settings file can be written.</source>
        <translation>Die Parametersätze konnten nicht gespeichert werden.<byte value="xd"/>
<byte value="xd"/>
Bitte prüfen Sie, ob die Einstellungsdatei beschreibbar ist.</translation>
    </message>
    <message>
        <source>Failed to save the file:<byte value="xd"/>
%1<byte value="xd"/>
<byte value="xd"/>
Please check that you have the appropriate permissions to save the file.</source>
        <translation>Die Datei konnte nicht gespeichert werden:<byte value="xd"/>
%1<byte value="xd"/>
<byte value="xd"/>
Bitte prüfen Sie, ob Sie die nötigen Rechte zum Speichern der Datei haben.</translation>
    </message>
    <message>
        <source>Some stored parameter sets hold values outside the limits of their fields. They are shown within the limits, and stored so when you press OK or Apply:<byte value="xd"/>
<byte value="xd"/>
</source>
        <translation>Einige gespeicherte Parametersätze enthalten Werte außerhalb der Grenzen ihrer Felder. Sie werden innerhalb der Grenzen angezeigt und so gespeichert, wenn Sie „OK“ oder „Übernehmen“ drücken:<byte value="xd"/>
<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Failed to subclass dialog. Bad parent.</source>
        <translation>Der Dialog konnte nicht erweitert werden. Ungültiges übergeordnetes Fenster.</translation>
    </message>
    <message>
        <source>Failed to subclass dialog. Can not get combobox position.</source>
        <translation>Der Dialog konnte nicht erweitert werden. Die Position des Auswahlfelds ist nicht ermittelbar.</translation>
    </message>
    <message>
        <source>Failed to subclass dialog. Can not get static control.</source>
        <translation>Der Dialog konnte nicht erweitert werden. Das Beschriftungsfeld ist nicht auffindbar.</translation>
    </message>
</context>
<context>
    <name>FileDialog</name>
    <message>
        <source>%1
The folder does not exist.
Please check the path and try again.</source>
        <translation>%1
Der Ordner existiert nicht.
Bitte prüfen Sie den Pfad und versuchen Sie es erneut.</translation>
    </message>
</context>
<context>
    <name>SavePresets</name>
    <message>
        <source>%1 × %2 pixels</source>
        <translation>%1 × %2 Pixel</translation>
    </message>
    <message>
        <source>Low Quality Image</source>
        <translation>Bild in niedriger Qualität</translation>
    </message>
    <message>
        <source>Medium Quality Image</source>
        <translation>Bild in mittlerer Qualität</translation>
    </message>
    <message>
        <source>Original Quality Image</source>
        <translation>Bild in Originalqualität</translation>
    </message>
    <message>
        <source>Custom Quality...</source>
        <translation>Eigene Qualität …</translation>
    </message>
    <message>
        <source>Save Options:</source>
        <translation>Speicheroptionen:</translation>
    </message>
</context>
<context>
    <name>about</name>
    <message>
        <source>Panoramas from a turn of the camera</source>
        <translation>Panoramen aus einer Drehung der Kamera</translation>
    </message>
    <message>
        <source>Oskelvind · press any key or click to close</source>
        <translation>Oskelvind · zum Schließen eine Taste drücken oder klicken</translation>
    </message>
</context>
<context>
    <name>quiltra</name>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Save project</source>
        <translation>Projekt speichern</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Add photos</source>
        <translation>Fotos hinzufügen</translation>
    </message>
    <message>
        <source>Full 360°: on</source>
        <translation>Volle 360°: an</translation>
    </message>
    <message>
        <source>Full 360°: off</source>
        <translation>Volle 360°: aus</translation>
    </message>
    <message>
        <source>Profile: %1</source>
        <translation>Profil: %1</translation>
    </message>
    <message>
        <source>Tuner…</source>
        <translation>Parameter …</translation>
    </message>
    <message>
        <source>Stitch</source>
        <translation>Zusammensetzen</translation>
    </message>
    <message>
        <source>Add the photos of your panorama, from left to right</source>
        <translation>Fügen Sie die Fotos Ihres Panoramas von links nach rechts hinzu</translation>
    </message>
    <message>
        <source>This photo cannot be read</source>
        <translation>Dieses Foto kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Stitch the photos to see the panorama here</source>
        <translation>Setzen Sie die Fotos zusammen, um hier das Panorama zu sehen</translation>
    </message>
    <message>
        <source>Full height</source>
        <translation>Volle Höhe</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>An Fenster anpassen</translation>
    </message>
    <message>
        <source>Save image</source>
        <translation>Bild speichern</translation>
    </message>
    <message>
        <source>Web page</source>
        <translation>Webseite</translation>
    </message>
    <message>
        <source>Viewer program</source>
        <translation>Viewer-Programm</translation>
    </message>
    <message>
        <source>out of date: stitch again</source>
        <translation>veraltet: erneut zusammensetzen</translation>
    </message>
    <message>
        <source>1 photo</source>
        <translation>1 Foto</translation>
    </message>
    <message>
        <source>%1 photos</source>
        <translation>%1 Fotos</translation>
    </message>
    <message>
        <source>profile %1</source>
        <translation>Profil %1</translation>
    </message>
    <message>
        <source>panorama ready</source>
        <translation>Panorama fertig</translation>
    </message>
    <message>
        <source>Contents</source>
        <translation>Inhalt</translation>
    </message>
    <message>
        <source>Index</source>
        <translation>Index</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Support</translation>
    </message>
    <message>
        <source>About Skylacer</source>
        <translation>Über Skylacer</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
</TS>
