#include "macro_document.h"

#include "stored_zip.h"

#include <string>

namespace ostrel::test {
namespace {

std::string xmlEscaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// The event's and the script language's names are qualified: without the dom and ooo
// namespaces the office drops the binding silently.
constexpr const char* kContent = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:script="urn:oasis:names:tc:opendocument:xmlns:script:1.0" xmlns:xlink="http://www.w3.org/1999/xlink" xmlns:dom="http://www.w3.org/2001/xml-events" xmlns:ooo="http://openoffice.org/2004/office" office:version="1.3">
<office:scripts><office:event-listeners>
<script:event-listener script:language="ooo:script" script:event-name="dom:load" xlink:type="simple" xlink:href="vnd.sun.star.script:Standard.Module1.WriteMarker?language=Basic&amp;location=document"/>
<script:event-listener script:language="ooo:script" script:event-name="office:print" xlink:type="simple" xlink:href="vnd.sun.star.script:Standard.Module1.WriteMarker?language=Basic&amp;location=document"/>
<script:event-listener script:language="ooo:script" script:event-name="dom:unload" xlink:type="simple" xlink:href="vnd.sun.star.script:Standard.Module1.WriteMarker?language=Basic&amp;location=document"/>
</office:event-listeners></office:scripts>
<office:body><office:text><text:p>A document with a macro bound to its opening.</text:p></office:text></office:body>
</office:document-content>
)";

constexpr const char* kManifest = R"(<?xml version="1.0" encoding="UTF-8"?>
<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.3">
<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.text"/>
<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>
<manifest:file-entry manifest:full-path="Basic/script-lc.xml" manifest:media-type="text/xml"/>
<manifest:file-entry manifest:full-path="Basic/Standard/script-lb.xml" manifest:media-type="text/xml"/>
<manifest:file-entry manifest:full-path="Basic/Standard/Module1.xml" manifest:media-type="text/xml"/>
</manifest:manifest>
)";

constexpr const char* kLibraries = R"(<?xml version="1.0" encoding="UTF-8"?>
<library:libraries xmlns:library="http://openoffice.org/2000/library" xmlns:xlink="http://www.w3.org/1999/xlink">
<library:library library:name="Standard" xlink:href="Standard/script-lb.xml/" xlink:type="simple" library:link="false"/>
</library:libraries>
)";

constexpr const char* kLibrary = R"(<?xml version="1.0" encoding="UTF-8"?>
<library:library xmlns:library="http://openoffice.org/2000/library" library:name="Standard" library:readonly="false" library:passwordprotected="false">
<library:element library:name="Module1"/>
</library:library>
)";

std::string module(const std::filesystem::path& marker) {
    const std::string source = "Sub WriteMarker\n"
                               "  Open \"" +
                               marker.string() +
                               "\" For Output As #1\n"
                               "  Print #1, \"the macro ran\"\n"
                               "  Close #1\n"
                               "End Sub\n";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<script:module xmlns:script=\"http://openoffice.org/2000/script\" "
           "script:name=\"Module1\" script:language=\"StarBasic\">" +
           xmlEscaped(source) + "</script:module>\n";
}

} // namespace

bool writeOpeningMacroDocument(const std::filesystem::path& document,
                               const std::filesystem::path& marker) {
    return writeStoredZip(document, {{"mimetype", "application/vnd.oasis.opendocument.text"},
                                     {"META-INF/manifest.xml", kManifest},
                                     {"content.xml", kContent},
                                     {"Basic/script-lc.xml", kLibraries},
                                     {"Basic/Standard/script-lb.xml", kLibrary},
                                     {"Basic/Standard/Module1.xml", module(marker)}});
}

const char* macrosAllowedSettings() {
    return R"(<item oor:path="/org.openoffice.Office.Common/Security/Scripting"><prop oor:name="MacroSecurityLevel" oor:op="fuse"><value>0</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Security/Scripting"><prop oor:name="DisableMacrosExecution" oor:op="fuse"><value>false</value></prop></item>
)";
}

} // namespace ostrel::test
