#include "export/cobertura_xml.h"

#include <QIODevice>
#include <QXmlStreamWriter>
#include <vector>

#include "export/export_run.h"
#include "export/export_text.h"
#include "export/line_coverage.h"
#include "model/coverage_records.h"
#include "support/tool_version.h"

namespace {

/// A write-only device over a C stream that gathers the many small pieces of the
/// XML writer before handing them to the stream (QFile would add a ring buffer
/// that costs more than the writing itself).
class StdioDevice : public QIODevice {
public:
  explicit StdioDevice(std::FILE *out) : out_(out) {
    buffer_.reserve(kChunk);
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
  }
  ~StdioDevice() override { flushBuffer(); }
  StdioDevice(const StdioDevice &) = delete;
  StdioDevice &operator=(const StdioDevice &) = delete;

  void flushBuffer() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    buffer_.clear();
  }

protected:
  qint64 readData(char *, qint64) override { return -1; }
  qint64 writeData(const char *data, qint64 size) override {
    buffer_.append(data, static_cast<std::size_t>(size));
    if (buffer_.size() >= kChunk) flushBuffer();
    return size;
  }

private:
  static constexpr std::size_t kChunk = 1 << 16;
  std::FILE *out_;
  std::string buffer_;
};

/// One service with its lines.
struct MethodLines {
  const Service *service = nullptr;
  std::vector<LineCoverage> lines;
  LineTotals totals;
};

/// One source file with its services and lines.
struct ClassLines {
  const SourceFile *file = nullptr;
  std::string path;
  std::vector<MethodLines> methods;
  std::vector<LineCoverage> lines;
  LineTotals totals;
};

/// The classes of one directory.
struct PackageLines {
  std::string name;
  std::vector<ClassLines> classes;
  LineTotals totals;
};

/// Whether a service is a function: in a file instrumented for entries, a
/// service without one only groups lines that belong to no function (its lines
/// stay the class's lines).
bool isFunction(const SourceFile &file, const Service &service) {
  if (!service.name) return false;
  return service.hasEntry || !(file.instrumentedTypes & CovFunctions);
}

QString text(const std::string &bytes) {
  return xmlText(bytes);
}

QString number(uint64_t value) {
  return QString::number(value);
}

void writeRates(QXmlStreamWriter &xml, const LineTotals &totals) {
  xml.writeAttribute(QStringLiteral("line-rate"),
                     QString::fromStdString(coberturaRate(totals.linesCovered, totals.linesValid)));
  xml.writeAttribute(
      QStringLiteral("branch-rate"),
      QString::fromStdString(coberturaRate(totals.branchesCovered, totals.branchesValid)));
}

void writeLines(QXmlStreamWriter &xml, const std::vector<LineCoverage> &lines) {
  xml.writeStartElement(QStringLiteral("lines"));
  for (const LineCoverage &line : lines) {
    xml.writeStartElement(QStringLiteral("line"));
    xml.writeAttribute(QStringLiteral("number"), number(line.line));
    xml.writeAttribute(QStringLiteral("hits"), number(line.hits));
    if (line.outcomes) {
      xml.writeAttribute(QStringLiteral("branch"), QStringLiteral("true"));
      const uint64_t percent = uint64_t{line.outcomesHit} * 100 / line.outcomes;
      xml.writeAttribute(
          QStringLiteral("condition-coverage"),
          QStringLiteral("%1% (%2/%3)")
              .arg(number(percent), number(line.outcomesHit), number(line.outcomes)));
    } else {
      xml.writeAttribute(QStringLiteral("branch"), QStringLiteral("false"));
    }
    xml.writeEndElement();
  }
  xml.writeEndElement();
}

std::vector<PackageLines> collectPackages(const ExportRun &run) {
  std::vector<PackageLines> packages;
  for (const FileSummary &summary : run.scope->files) {
    ClassLines file;
    file.file = summary.file;
    file.path = displayPath(*summary.file, run.currentDirectory);
    const CoverageTypes mask = run.scope->fileMask(*summary.file);
    std::vector<LineCoverage> all;
    for (const Service *service : summary.services) {
      MethodLines method;
      method.service = service;
      method.lines = serviceLines(*service, mask, run.countOriented);
      // A function without lines of the run's types (a call-only run over a
      // function that makes none) is no method of the class.
      if (method.lines.empty()) continue;
      method.totals = totalsOf(method.lines);
      all.insert(all.end(), method.lines.begin(), method.lines.end());
      if (isFunction(*summary.file, *service)) file.methods.push_back(std::move(method));
    }
    file.lines = combineLines(std::move(all));
    file.totals = totalsOf(file.lines);

    const std::string directory = displayDirectory(file.path);
    PackageLines *package = nullptr;
    for (PackageLines &known : packages)
      if (known.name == directory) package = &known;
    if (!package) {
      packages.push_back(PackageLines{directory, {}, {}});
      package = &packages.back();
    }
    package->totals += file.totals;
    package->classes.push_back(std::move(file));
  }
  return packages;
}

} // namespace

std::string coberturaRate(uint64_t covered, uint64_t valid) {
  if (valid == 0 || covered >= valid) return "1";
  const uint64_t tenThousandths =
      static_cast<uint64_t>(static_cast<unsigned __int128>(covered) * 10000 / valid);
  if (tenThousandths == 0) return "0";
  std::string digits = std::to_string(tenThousandths + 10000).substr(1);
  while (digits.back() == '0')
    digits.pop_back();
  return "0." + digits;
}

void writeCoberturaXml(std::FILE *out, const ExportRun &run) {
  const std::vector<PackageLines> packages = collectPackages(run);
  LineTotals totals;
  for (const PackageLines &package : packages)
    totals += package.totals;

  StdioDevice device(out);
  QXmlStreamWriter xml(&device);
  xml.setAutoFormatting(true);
  xml.setAutoFormattingIndent(2);
  xml.writeStartDocument();
  xml.writeDTD(QStringLiteral(
      "<!DOCTYPE coverage SYSTEM \"http://cobertura.sourceforge.net/xml/coverage-04.dtd\">"));

  xml.writeStartElement(QStringLiteral("coverage"));
  writeRates(xml, totals);
  xml.writeAttribute(QStringLiteral("lines-covered"), number(totals.linesCovered));
  xml.writeAttribute(QStringLiteral("lines-valid"), number(totals.linesValid));
  xml.writeAttribute(QStringLiteral("branches-covered"), number(totals.branchesCovered));
  xml.writeAttribute(QStringLiteral("branches-valid"), number(totals.branchesValid));
  xml.writeAttribute(QStringLiteral("complexity"), QStringLiteral("0"));
  xml.writeAttribute(QStringLiteral("version"), QString::fromLatin1(kToolVersion));
  // Milliseconds since the epoch, as Cobertura counts them.
  xml.writeAttribute(QStringLiteral("timestamp"),
                     QString::number(static_cast<long long>(run.runTime) * 1000));

  xml.writeStartElement(QStringLiteral("sources"));
  xml.writeTextElement(QStringLiteral("source"), text(run.currentDirectory));
  xml.writeEndElement();

  xml.writeStartElement(QStringLiteral("packages"));
  for (const PackageLines &package : packages) {
    xml.writeStartElement(QStringLiteral("package"));
    xml.writeAttribute(QStringLiteral("name"), text(package.name));
    writeRates(xml, package.totals);
    xml.writeAttribute(QStringLiteral("complexity"), QStringLiteral("0"));
    xml.writeStartElement(QStringLiteral("classes"));
    for (const ClassLines &source : package.classes) {
      xml.writeStartElement(QStringLiteral("class"));
      xml.writeAttribute(QStringLiteral("name"), text(source.file->sourceName->text));
      xml.writeAttribute(QStringLiteral("filename"), text(source.path));
      writeRates(xml, source.totals);
      xml.writeAttribute(QStringLiteral("complexity"), QStringLiteral("0"));
      xml.writeStartElement(QStringLiteral("methods"));
      for (const MethodLines &method : source.methods) {
        xml.writeStartElement(QStringLiteral("method"));
        xml.writeAttribute(QStringLiteral("name"), text(method.service->name->text));
        xml.writeAttribute(QStringLiteral("signature"), QString());
        writeRates(xml, method.totals);
        xml.writeAttribute(QStringLiteral("complexity"), QStringLiteral("0"));
        writeLines(xml, method.lines);
        xml.writeEndElement();
      }
      xml.writeEndElement();
      writeLines(xml, source.lines);
      xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
  }
  xml.writeEndElement();
  xml.writeEndElement();
  xml.writeEndDocument();
  device.flushBuffer();
}
