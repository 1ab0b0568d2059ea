#include "writer_toolbars.h"

#include "uno_text.h"

#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XIndexContainer.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFramesSupplier.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/io/SequenceInputStream.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/ui/DockingArea.hpp>
#include <com/sun/star/ui/ImageType.hpp>
#include <com/sun/star/ui/ItemStyle.hpp>
#include <com/sun/star/ui/ItemType.hpp>
#include <com/sun/star/ui/XImageManager.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>
#include <com/sun/star/ui/XUIElement.hpp>
#include <com/sun/star/ui/XUIElementSettings.hpp>
#include <com/sun/star/ui/theModuleUIConfigurationManagerSupplier.hpp>
#include <com/sun/star/ui/theWindowStateConfiguration.hpp>
#include <com/sun/star/util/XPathSettings.hpp>
#include <com/sun/star/util/thePathSettings.hpp>
#include <osl/file.hxx>

#include <climits>

namespace ostrel::bridge {

using namespace com::sun::star;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

constexpr const char* kWriterModule = "com.sun.star.text.TextDocument";

beans::PropertyValue property(const char* name, const uno::Any& value) {
    beans::PropertyValue p;
    p.Name = OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

sal_Int16 itemStyle(ButtonStyle style) {
    switch (style) {
    case ButtonStyle::Icon:
        return ui::ItemStyle::ICON;
    case ButtonStyle::Caption:
        return ui::ItemStyle::TEXT;
    case ButtonStyle::IconAndCaption:
        return ui::ItemStyle::ICON | ui::ItemStyle::TEXT;
    case ButtonStyle::Automatic:
        break;
    }
    return ui::ItemStyle::ICON;
}

Reference<ui::XUIConfigurationManager>
writerUiConfiguration(const Reference<uno::XComponentContext>& context) {
    return ui::theModuleUIConfigurationManagerSupplier::get(context)->getUIConfigurationManager(
        OUString::createFromAscii(kWriterModule));
}

Reference<ui::XImageManager> writerImages(const Reference<uno::XComponentContext>& context) {
    return Reference<ui::XImageManager>(writerUiConfiguration(context)->getImageManager(),
                                        UNO_QUERY);
}

Reference<graphic::XGraphic> graphicFromPng(const Reference<uno::XComponentContext>& context,
                                            const std::vector<std::uint8_t>& png) {
    uno::Sequence<sal_Int8> bytes(reinterpret_cast<const sal_Int8*>(png.data()),
                                  static_cast<sal_Int32>(png.size()));
    Reference<io::XInputStream> stream(
        io::SequenceInputStream::createStreamFromSequence(context, bytes), UNO_QUERY_THROW);
    beans::PropertyValue source = property("InputStream", uno::Any(stream));
    uno::Sequence<beans::PropertyValue> args(&source, 1);
    return graphic::GraphicProvider::create(context)->queryGraphic(args);
}

Reference<container::XIndexAccess> barSettings(const Reference<uno::XComponentContext>& context,
                                               const BarState& bar) {
    Reference<container::XIndexContainer> items(writerUiConfiguration(context)->createSettings(),
                                                UNO_QUERY_THROW);
    Reference<beans::XPropertySet> props(items, UNO_QUERY);
    if (props.is()) {
        props->setPropertyValue("UIName", uno::Any(toOUString(bar.name)));
    }
    sal_Int32 index = 0;
    for (const auto& button : bar.buttons) {
        const beans::PropertyValue values[] = {
            property("CommandURL", uno::Any(toOUString(buttonCommand(button.id)))),
            property("Label", uno::Any(toOUString(button.caption))),
            property("Tooltip", uno::Any(toOUString(button.tooltip))),
            property("Type", uno::Any(ui::ItemType::DEFAULT)),
            property("Style", uno::Any(itemStyle(button.style))),
            property("IsVisible", uno::Any(button.visible)),
        };
        uno::Sequence<beans::PropertyValue> item(values, std::size(values));
        items->insertByIndex(index++, uno::Any(item));
    }
    return Reference<container::XIndexAccess>(items, UNO_QUERY_THROW);
}

// What a toolbar shows of a bar (enabled states travel as status, pictures through the
// image manager).
std::string signature(const BarState& bar) {
    std::string text = bar.name;
    for (const auto& button : bar.buttons) {
        text += '\n' + std::to_string(button.id) + '\t' +
                std::to_string(static_cast<int>(button.style)) + '\t' +
                (button.visible ? "1" : "0") + '\t' + button.caption + '\t' + button.tooltip;
    }
    return text;
}

} // namespace

std::string barResourceUrl(int barId) {
    return "private:resource/toolbar/custom_ostrel_addinbar" + std::to_string(barId);
}

WriterToolbars::WriterToolbars(Reference<uno::XComponentContext> context)
    : context_(std::move(context)) {
}

void WriterToolbars::prepareProfile() {
    try {
        Reference<util::XPathSettings> paths = util::thePathSettings::get(context_);
        const OUString config = paths->getUserConfig();
        if (!config.isEmpty()) {
            osl::Directory::createPath(config + "/soffice.cfg/modules/swriter/images");
        }
    } catch (const uno::Exception&) {
    }
}

std::vector<Reference<frame::XFrame>> WriterToolbars::writerFrames() const {
    std::vector<Reference<frame::XFrame>> result;
    Reference<frame::XFramesSupplier> desktop(frame::Desktop::create(context_), UNO_QUERY_THROW);
    Reference<container::XIndexAccess> frames(desktop->getFrames(), UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < frames->getCount(); ++i) {
        Reference<frame::XFrame> f(frames->getByIndex(i), UNO_QUERY);
        if (!f.is()) {
            continue;
        }
        Reference<frame::XController> controller = f->getController();
        Reference<lang::XServiceInfo> model(
            controller.is() ? controller->getModel() : Reference<frame::XModel>(), UNO_QUERY);
        if (model.is() && model->supportsService(OUString::createFromAscii(kWriterModule))) {
            result.push_back(f);
        }
    }
    return result;
}

void WriterToolbars::apply(const std::vector<BarState>& bars) {
    const auto frames = writerFrames();
    if (frames.empty()) {
        // Writer's user interface configuration comes up with its first window.
        return;
    }
    applyFaces(bars);
    for (const auto& f : frames) {
        try {
            applyToFrame(f, bars);
        } catch (const uno::Exception&) {
            // A window closing under us keeps its old toolbars; the others still update.
        }
    }
}

void WriterToolbars::applyToFrame(const Reference<frame::XFrame>& f,
                                  const std::vector<BarState>& bars) {
    Reference<beans::XPropertySet> frameProps(f, UNO_QUERY_THROW);
    Reference<frame::XLayoutManager> layout(frameProps->getPropertyValue("LayoutManager"),
                                            UNO_QUERY_THROW);
    for (const auto& bar : bars) {
        const std::string url = barResourceUrl(bar.id);
        const OUString resource = toOUString(url);
        Reference<ui::XUIElement> element = layout->getElement(resource);
        if (!bar.visible) {
            if (element.is()) {
                layout->hideElement(resource);
            }
            continue;
        }
        const bool created = !element.is();
        if (created) {
            layout->createElement(resource);
            element = layout->getElement(resource);
            if (!element.is()) {
                continue;
            }
            urls_.insert(url);
            Reference<beans::XPropertySet> elementProps(element, UNO_QUERY);
            if (elementProps.is()) {
                // Transient: the settings below go to this toolbar only, never to the
                // user's configuration.
                elementProps->setPropertyValue("Persistent", uno::Any(false));
            }
        }
        // Refilling a toolbar redraws it: only when something shown has changed.
        std::string& shown = shown_[{f.get(), bar.id}];
        const std::string wanted = signature(bar);
        if (created || shown != wanted) {
            Reference<ui::XUIElementSettings> settings(element, UNO_QUERY_THROW);
            settings->setSettings(barSettings(context_, bar));
            shown = wanted;
        }
        layout->showElement(resource);
        if (created) {
            layout->dockWindow(resource,
                               bar.position == 1 ? ui::DockingArea_DOCKINGAREA_TOP
                                                 : ui::DockingArea_DOCKINGAREA_DEFAULT,
                               awt::Point(SAL_MAX_INT32, 0));
        }
    }
}

void WriterToolbars::applyFaces(const std::vector<BarState>& bars) {
    Reference<ui::XImageManager> images = writerImages(context_);
    for (const auto& bar : bars) {
        for (const auto& button : bar.buttons) {
            auto known = faces_.find(button.id);
            if (button.facePng.empty() ||
                (known != faces_.end() && known->second == button.facePng)) {
                continue;
            }
            Reference<graphic::XGraphic> picture = graphicFromPng(context_, button.facePng);
            if (!picture.is()) {
                continue;
            }
            const OUString command = toOUString(buttonCommand(button.id));
            uno::Sequence<OUString> commands(&command, 1);
            uno::Sequence<Reference<graphic::XGraphic>> pictures(&picture, 1);
            try {
                for (sal_Int16 size : {ui::ImageType::SIZE_DEFAULT, ui::ImageType::SIZE_LARGE}) {
                    // Inserting replaces a picture the command has already.
                    images->insertImages(static_cast<sal_Int16>(size | ui::ImageType::COLOR_NORMAL),
                                         commands, pictures);
                }
            } catch (const uno::Exception&) {
                // A read-only configuration: the button shows its caption alone.
            }
            faces_[button.id] = button.facePng;
        }
    }
}

void WriterToolbars::removeAll() {
    for (const auto& f : writerFrames()) {
        try {
            Reference<beans::XPropertySet> frameProps(f, UNO_QUERY_THROW);
            Reference<frame::XLayoutManager> layout(frameProps->getPropertyValue("LayoutManager"),
                                                    UNO_QUERY_THROW);
            for (const auto& url : urls_) {
                layout->destroyElement(toOUString(url));
            }
        } catch (const uno::Exception&) {
        }
    }
    try {
        Reference<container::XNameContainer> states(
            ui::theWindowStateConfiguration::get(context_)->getByName(
                OUString::createFromAscii(kWriterModule)),
            UNO_QUERY_THROW);
        for (const auto& url : urls_) {
            if (states->hasByName(toOUString(url))) {
                states->removeByName(toOUString(url));
            }
        }
    } catch (const uno::Exception&) {
    }
    try {
        Reference<ui::XImageManager> images = writerImages(context_);
        for (const auto& [id, png] : faces_) {
            const OUString command = toOUString(buttonCommand(id));
            uno::Sequence<OUString> commands(&command, 1);
            for (sal_Int16 size : {ui::ImageType::SIZE_DEFAULT, ui::ImageType::SIZE_LARGE}) {
                if (images->hasImage(size, command)) {
                    images->removeImages(size, commands);
                }
            }
        }
    } catch (const uno::Exception&) {
    }
    urls_.clear();
    faces_.clear();
    shown_.clear();
}

void WriterToolbars::setWindowsEnabled(bool enabled) {
    for (const auto& f : writerFrames()) {
        Reference<awt::XWindow> window = f->getContainerWindow();
        if (window.is()) {
            window->setEnable(enabled);
        }
    }
}

} // namespace ostrel::bridge
