#include "import/xmlflatten.h"

#include "import/fixedtext.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <cstring>
#include <memory>
#include <mutex>

namespace {

// A document whose entities would expand to more nodes than this is refused before the walk.
// libxml2 already stops the classic "billion laughs"; this bounds what slips under its
// amplification check, since the walk reads entity contents in place. A real IPRA has no
// entities and some hundreds of nodes.
constexpr quint64 MaxExpandedNodes = 200000;

// The first 254 characters of a text never take more than 4 bytes each in UTF-8, so a long
// text is converted only as far as the cut needs.
constexpr qsizetype MaxValueBytes = IpraValueCapacity * 4;

// The parser's complaints, collected per parse instead of being printed. The first fatal
// error is the reason; errors libxml2 recovers from (an undeclared namespace prefix) do not
// refuse the file, since the names are still read as written.
struct ParseErrors
{
    QString reason;
    int level = XML_ERR_NONE;

    void add(const xmlError* error)
    {
        if (error == nullptr || error->level < XML_ERR_ERROR || error->level <= level)
            return;
        level = error->level;
        const QString message = QString::fromUtf8(error->message).trimmed();
        if (error->line > 0)
            reason = QStringLiteral("Ошибка в XML (строка %1, позиция %2): %3")
                         .arg(error->line).arg(error->int2).arg(message);
        else
            reason = QStringLiteral("Ошибка в XML: %1").arg(message);
    }
};

// The errors of the parse running on this thread; a context is ours when it carries them.
thread_local const ParseErrors* tParsing = nullptr;

bool isOurContext(xmlParserCtxtPtr ctxt)
{
    return ctxt != nullptr && tParsing != nullptr && ctxt->_private == tParsing;
}

xmlExternalEntityLoader previousEntityLoader = nullptr;

// Our parses never open a file, DTD or entity outside the document: the document itself is
// read from memory, so every request that reaches the loader from one of them is an external
// reference. The parse options already keep libxml2 from asking; this makes sure. The loader
// is process-wide, so other parses keep the one they had.
xmlParserInputPtr refuseExternalEntity(const char* url, const char* id, xmlParserCtxtPtr ctxt)
{
    if (isOurContext(ctxt) || previousEntityLoader == nullptr)
        return nullptr;
    return previousEntityLoader(url, id, ctxt);
}

void initLibxml()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        previousEntityLoader = xmlGetExternalEntityLoader();
        xmlSetExternalEntityLoader(refuseExternalEntity);
    });
}

// Errors raised on the parser context come with the context as their data.
void onContextError(void* userData, xmlErrorPtr error)
{
    auto* ctxt = static_cast<xmlParserCtxtPtr>(userData);
    if (isOurContext(ctxt))
        static_cast<ParseErrors*>(ctxt->_private)->add(error);
}

// The few errors raised without a context (encoding conversion, memory) go to the thread's
// handler, which is ours for the duration of one parse.
void onThreadError(void* userData, xmlErrorPtr error)
{
    static_cast<ParseErrors*>(userData)->add(error);
}

class ThreadErrorsGuard
{
public:
    explicit ThreadErrorsGuard(ParseErrors* errors)
        : m_function(xmlStructuredError), m_context(xmlStructuredErrorContext)
    {
        tParsing = errors;
        xmlSetStructuredErrorFunc(errors, onThreadError);
    }
    ~ThreadErrorsGuard()
    {
        xmlSetStructuredErrorFunc(m_context, m_function);
        tParsing = nullptr;
    }
    ThreadErrorsGuard(const ThreadErrorsGuard&) = delete;
    ThreadErrorsGuard& operator=(const ThreadErrorsGuard&) = delete;

private:
    xmlStructuredErrorFunc m_function;
    void* m_context;
};

struct ContextDeleter
{
    void operator()(xmlParserCtxtPtr ctxt) const { xmlFreeParserCtxt(ctxt); }
};
struct DocDeleter
{
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
using ContextPtr = std::unique_ptr<xmlParserCtxt, ContextDeleter>;
using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;

IpraLoadResult refused(const QString& reason)
{
    return IpraLoadResult{false, reason};
}

// UTF-16 and UTF-32 texts are full of zero bytes; libxml2 recognises them by their byte
// order mark or by the way "<?" is written, and so do we.
bool isWideEncoding(const QByteArray& data)
{
    static const char* const starts[] = {
        "\xFE\xFF", "\xFF\xFE", "\x00\x3C\x00\x3F", "\x3C\x00\x3F\x00",
        "\x00\x00\x00\x3C", "\x3C\x00\x00\x00", "\x00\x00\xFE\xFF"};
    static const int lengths[] = {2, 2, 4, 4, 4, 4, 4};
    for (size_t i = 0; i < std::size(starts); ++i)
        if (data.size() >= lengths[i] && std::memcmp(data.constData(), starts[i], lengths[i]) == 0)
            return true;
    return false;
}

bool looksBinary(const QByteArray& data)
{
    return !isWideEncoding(data) && std::memchr(data.constData(), 0, size_t(data.size())) != nullptr;
}

// The name as the document writes it, prefix and colon included ("ct:LastName").
QString qualifiedName(const xmlNode* node)
{
    const auto* name = reinterpret_cast<const char*>(node->name);
    if (node->ns != nullptr && node->ns->prefix != nullptr) {
        QString result = QString::fromUtf8(reinterpret_cast<const char*>(node->ns->prefix));
        result += u':';
        result += QString::fromUtf8(name);
        return result;
    }
    return QString::fromUtf8(name);
}

bool isIpraElement(const xmlNode* node)
{
    return node->type == XML_ELEMENT_NODE && (node->ns == nullptr || node->ns->prefix == nullptr)
        && xmlStrEqual(node->name, BAD_CAST "tIPRA");
}

// The declaration behind an entity reference node. Only internal entities are read: an
// external one was never loaded and stays empty.
const xmlEntity* internalEntity(const xmlNode* reference)
{
    const xmlEntity* entity = nullptr;
    if (reference->children != nullptr && reference->children->type == XML_ENTITY_DECL)
        entity = reinterpret_cast<const xmlEntity*>(reference->children);
    else
        entity = xmlGetDocEntity(reference->doc, reference->name);
    if (entity == nullptr)
        return nullptr;
    if (entity->etype != XML_INTERNAL_GENERAL_ENTITY && entity->etype != XML_INTERNAL_PREDEFINED_ENTITY)
        return nullptr;
    return entity;
}

// Counts the nodes the walk would visit, each entity expanded where it is referenced.
// Every entity is counted once and remembered, so the count itself never blows up.
class ExpansionCounter
{
public:
    bool withinLimit(const xmlNode* first) { return count(first) <= MaxExpandedNodes; }

private:
    quint64 count(const xmlNode* first)
    {
        quint64 total = 0;
        for (const xmlNode* node = first; node != nullptr; node = node->next) {
            ++total;
            if (node->type == XML_ELEMENT_NODE) {
                total += count(node->children);
            } else if (node->type == XML_ENTITY_REF_NODE) {
                if (const xmlEntity* entity = internalEntity(node))
                    total += entityCount(entity);
            }
            if (total > MaxExpandedNodes)
                return MaxExpandedNodes + 1;
        }
        return total;
    }

    quint64 entityCount(const xmlEntity* entity)
    {
        const auto known = m_entities.constFind(entity);
        if (known != m_entities.constEnd())
            return *known;
        // An entity that (through others) refers to itself counts as too big.
        m_entities.insert(entity, MaxExpandedNodes + 1);
        const quint64 total = count(entity->children);
        m_entities.insert(entity, total);
        return total;
    }

    QHash<const xmlEntity*, quint64> m_entities;
};

bool declaresEntities(const xmlDoc* doc)
{
    return doc->intSubset != nullptr && doc->intSubset->entities != nullptr;
}

// Walks the element tree depth-first, in document order, keeping the key of the current
// element (the names below the nearest tIPRA) as it goes down instead of climbing back up
// for every text.
class IpraWalker
{
public:
    explicit IpraWalker(const IpraReceiver& receiver) : m_receiver(receiver) {}

    // Visits the children of node in order; the key of its direct texts is the current one.
    void WalkIpraNode(const xmlNode* node)
    {
        QString run;
        walkChildren(node->children, run);
        deliver(run);
    }

private:
    // A text run is what the element holds between two other nodes: its text with entity
    // references read in place. A comment, a CDATA section, a processing instruction or a
    // child element ends the run, so a comment inside a text gives two values.
    void walkChildren(const xmlNode* first, QString& run)
    {
        for (const xmlNode* node = first; node != nullptr; node = node->next) {
            switch (node->type) {
            case XML_TEXT_NODE:
                appendText(run, node->content);
                break;
            case XML_ENTITY_REF_NODE:
                if (const xmlEntity* entity = internalEntity(node)) {
                    if (entity->etype == XML_INTERNAL_PREDEFINED_ENTITY)
                        appendText(run, entity->content);
                    else
                        walkChildren(entity->children, run);
                }
                break;
            case XML_ELEMENT_NODE:
                deliver(run);
                enterElement(node);
                break;
            default:
                deliver(run);
                break;
            }
        }
    }

    void enterElement(const xmlNode* element)
    {
        if (isIpraElement(element)) {
            // An inner tIPRA starts the keys afresh, as the nearest one is where keys begin.
            const QString outer = m_key;
            m_key.clear();
            WalkIpraNode(element);
            m_key = outer;
            return;
        }
        const qsizetype outerSize = m_key.size();
        m_key += qualifiedName(element);
        WalkIpraNode(element);
        m_key.truncate(outerSize);
    }

    static void appendText(QString& run, const xmlChar* content)
    {
        // Past the value's capacity nothing more is needed from the run.
        if (content == nullptr || run.size() > IpraValueCapacity * 2)
            return;
        const auto* text = reinterpret_cast<const char*>(content);
        run += QString::fromUtf8(text, qstrnlen(text, size_t(MaxValueBytes)));
    }

    void deliver(QString& run)
    {
        if (run.isEmpty())
            return;
        const QString value = cutText(run, IpraValueCapacity);
        run.clear();
        m_receiver(cutText(m_key, IpraKeyCapacity), value);
    }

    const IpraReceiver& m_receiver;
    QString m_key;
};

} // namespace

IpraLoadResult LoadIpraFile(const QString& path, const IpraReceiver& receiver)
{
    const QFileInfo info(path);
    if (!info.exists())
        return refused(QStringLiteral("Файл не найден"));
    if (info.isDir())
        return refused(QStringLiteral("Указана папка, а не файл"));
    // Devices and pipes could be read forever.
    if (!info.isFile())
        return refused(QStringLiteral("Это не обычный файл"));
    if (info.size() > IpraMaxFileSize)
        return refused(QStringLiteral("Файл слишком велик для ИПРА: %1 МБ, допускается не более %2 МБ")
                           .arg(QString::number(double(info.size()) / (1024 * 1024), 'f', 1))
                           .arg(IpraMaxFileSize / (1024 * 1024)));
    if (info.size() == 0)
        return refused(QStringLiteral("Файл пуст"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("Не удалось открыть файл: %1").arg(file.errorString()));
    // Read one byte past the size seen, to notice a file that grows while it is read (asking
    // for the whole limit instead would allocate it for every file).
    const qint64 expected = qMin(file.size(), IpraMaxFileSize);
    const QByteArray data = file.read(expected + 1);
    file.close();
    if (data.size() > expected)
        return refused(expected == IpraMaxFileSize
                           ? QStringLiteral("Файл слишком велик для ИПРА: допускается не более %1 МБ")
                                 .arg(IpraMaxFileSize / (1024 * 1024))
                           : QStringLiteral("Файл изменяется во время чтения"));
    if (data.isEmpty())
        return refused(QStringLiteral("Файл пуст"));
    if (looksBinary(data))
        return refused(QStringLiteral("Файл содержит двоичные данные и не является XML-документом"));

    initLibxml();
    ContextPtr ctxt(xmlNewParserCtxt());
    if (!ctxt)
        return refused(QStringLiteral("Не удалось создать разборщик XML"));
    ParseErrors errors;
    ctxt->_private = &errors;
    ctxt->sax->serror = onContextError;
    DocPtr doc;
    {
        const ThreadErrorsGuard threadErrors(&errors);
        // No XML_PARSE_NOENT, XML_PARSE_DTDLOAD or XML_PARSE_HUGE: external entities and DTDs
        // stay unread and libxml2 keeps its limits on entity amplification and depth.
        const QByteArray url = QFile::encodeName(path);
        doc.reset(xmlCtxtReadMemory(ctxt.get(), data.constData(), int(data.size()), url.constData(),
                                    nullptr, XML_PARSE_NONET));
    }
    if (!doc) {
        if (errors.reason.isEmpty())
            return refused(QStringLiteral("Ошибка в XML: документ не разобран"));
        return refused(errors.reason);
    }

    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (root == nullptr)
        return refused(QStringLiteral("В документе нет корневого элемента"));
    // The document element must be written exactly "tIPRA": keys start below it, and a
    // prefixed "x:tIPRA" is another name, as it is for every other element.
    if (!isIpraElement(root))
        return refused(QStringLiteral("Документ не является ИПРА: корневой элемент «%1» вместо «tIPRA»")
                           .arg(qualifiedName(root)));
    if (declaresEntities(doc.get()) && !ExpansionCounter().withinLimit(root))
        return refused(QStringLiteral("Ошибка в XML: слишком много подстановок сущностей"));

    IpraWalker walker(receiver);
    walker.WalkIpraNode(root);
    return IpraLoadResult{true, QString()};
}
