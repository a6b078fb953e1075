#include "sync/dav_xml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include "sync/error.h"

namespace carddav {

namespace {

constexpr char kDav[] = "DAV:";
constexpr char kCardDav[] = "urn:ietf:params:xml:ns:carddav";

// "HTTP/1.1 404 Not Found" -> 404; 0 when unreadable.
int statusCode(const QString& line) {
  const QStringList parts = line.simplified().split(' ');
  return parts.size() >= 2 ? parts[1].toInt() : 0;
}

bool is(const QXmlStreamReader& xml, const char* ns, const char* name) {
  return xml.namespaceUri() == QLatin1String(ns) && xml.name() == QLatin1String(name);
}

// The hrefs directly inside the element the reader is on, up to its end.
QStringList readHrefs(QXmlStreamReader& xml) {
  QStringList hrefs;
  while (xml.readNextStartElement()) {
    if (is(xml, kDav, "href"))
      hrefs << xml.readElementText().trimmed();
    else
      xml.skipCurrentElement();
  }
  return hrefs;
}

// The properties of one <prop>, into `into`.
void readProp(QXmlStreamReader& xml, DavResponse& into) {
  while (xml.readNextStartElement()) {
    if (is(xml, kDav, "getetag")) {
      into.etag = xml.readElementText().trimmed();
    } else if (is(xml, kCardDav, "address-data")) {
      into.addressData = xml.readElementText().toUtf8();
    } else if (is(xml, kDav, "resourcetype")) {
      while (xml.readNextStartElement()) {
        if (is(xml, kDav, "collection")) into.collection = true;
        if (is(xml, kCardDav, "addressbook")) into.addressBook = true;
        xml.skipCurrentElement();
      }
    } else if (is(xml, kDav, "current-user-principal")) {
      const QStringList hrefs = readHrefs(xml);
      if (!hrefs.isEmpty()) into.principal = hrefs.front();
    } else if (is(xml, kCardDav, "addressbook-home-set")) {
      into.homeSets = readHrefs(xml);
    } else {
      xml.skipCurrentElement();
    }
  }
}

// One <propstat>: its properties are kept only under a 2xx status, which may
// come after them.
void readPropstat(QXmlStreamReader& xml, DavResponse& into) {
  DavResponse found;
  int status = 0;
  while (xml.readNextStartElement()) {
    if (is(xml, kDav, "prop"))
      readProp(xml, found);
    else if (is(xml, kDav, "status"))
      status = statusCode(xml.readElementText());
    else
      xml.skipCurrentElement();
  }
  if (status < 200 || status > 299) return;
  if (!found.etag.isEmpty()) into.etag = found.etag;
  if (!found.addressData.isEmpty()) into.addressData = found.addressData;
  into.collection = into.collection || found.collection;
  into.addressBook = into.addressBook || found.addressBook;
  if (!found.principal.isEmpty()) into.principal = found.principal;
  if (!found.homeSets.isEmpty()) into.homeSets = found.homeSets;
}

DavResponse readResponse(QXmlStreamReader& xml) {
  DavResponse response;
  while (xml.readNextStartElement()) {
    if (is(xml, kDav, "href"))
      response.href = xml.readElementText().trimmed();
    else if (is(xml, kDav, "status"))
      response.status = statusCode(xml.readElementText());
    else if (is(xml, kDav, "propstat"))
      readPropstat(xml, response);
    else
      xml.skipCurrentElement();
  }
  if (response.addressData.size() > kLongestCard)
    throw Error("the card " + response.href.toStdString() + " holds " + std::to_string(response.addressData.size()) +
                " bytes, more than the " + std::to_string(kLongestCard) + " a card may hold; it is refused");
  return response;
}

// A request body: <root xmlns:D="DAV:" xmlns:C="...carddav"> with `fill`
// writing its content.
template <typename Fill>
QByteArray document(const char* rootNs, const char* root, Fill fill) {
  QByteArray body;
  QXmlStreamWriter xml(&body);
  xml.writeStartDocument();
  xml.writeNamespace(QString::fromLatin1(kDav), QStringLiteral("D"));
  xml.writeNamespace(QString::fromLatin1(kCardDav), QStringLiteral("C"));
  xml.writeStartElement(QString::fromLatin1(rootNs), QString::fromLatin1(root));
  fill(xml);
  xml.writeEndElement();
  xml.writeEndDocument();
  return body;
}

struct PropName {
  const char* ns;
  const char* name;
};

void writeProp(QXmlStreamWriter& xml, std::initializer_list<PropName> names) {
  xml.writeStartElement(QString::fromLatin1(kDav), QStringLiteral("prop"));
  for (const PropName& p : names) xml.writeEmptyElement(QString::fromLatin1(p.ns), QString::fromLatin1(p.name));
  xml.writeEndElement();
}

}  // namespace

Multistatus parseMultistatus(const QByteArray& body) {
  QXmlStreamReader xml(body);
  Multistatus result;
  if (!xml.readNextStartElement() || !is(xml, kDav, "multistatus")) {
    if (!xml.hasError()) throw Error("the server's answer is not a multistatus");
  } else {
    while (xml.readNextStartElement()) {
      if (is(xml, kDav, "response"))
        result.responses.push_back(readResponse(xml));
      else if (is(xml, kDav, "sync-token"))
        result.syncToken = xml.readElementText().trimmed();
      else
        xml.skipCurrentElement();
    }
  }
  if (xml.hasError())
    throw Error("the server's answer is not well-formed XML (line " + std::to_string(xml.lineNumber()) +
                "): " + xml.errorString().toStdString());
  return result;
}

QByteArray discoveryPropfind() {
  return document(kDav, "propfind", [](QXmlStreamWriter& xml) {
    writeProp(xml, {{kDav, "resourcetype"}, {kDav, "current-user-principal"}, {kCardDav, "addressbook-home-set"}});
  });
}

QByteArray etagPropfind() {
  return document(kDav, "propfind", [](QXmlStreamWriter& xml) {
    writeProp(xml, {{kDav, "resourcetype"}, {kDav, "getetag"}});
  });
}

QByteArray syncCollectionReport(const QString& token) {
  return document(kDav, "sync-collection", [&](QXmlStreamWriter& xml) {
    xml.writeTextElement(QString::fromLatin1(kDav), QStringLiteral("sync-token"), token);
    xml.writeTextElement(QString::fromLatin1(kDav), QStringLiteral("sync-level"), QStringLiteral("1"));
    writeProp(xml, {{kDav, "getetag"}});
  });
}

QByteArray multigetReport(const QStringList& hrefs) {
  return document(kCardDav, "addressbook-multiget", [&](QXmlStreamWriter& xml) {
    writeProp(xml, {{kDav, "getetag"}, {kCardDav, "address-data"}});
    for (const QString& href : hrefs) xml.writeTextElement(QString::fromLatin1(kDav), QStringLiteral("href"), href);
  });
}

}  // namespace carddav
