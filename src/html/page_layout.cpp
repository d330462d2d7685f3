#include "html/page_layout.h"

#include "html/html_labels.h"
#include "html/html_text.h"
#include "report/report_labels.h"
#include "support/run_clock.h"
#include "support/tool_version.h"

namespace {

const char kStyle[] =
    "body{font:14px/1.45 system-ui,-apple-system,'Segoe UI',sans-serif;margin:0;color:#1b1f24;"
    "background:#fff}"
    "header{background:#24324a;color:#fff;padding:.7em 1.2em}"
    "header h1{font-size:1.3em;margin:0;overflow-wrap:anywhere}"
    "header p{margin:.2em 0 0;font-size:.9em;color:#dbe3ef;overflow-wrap:anywhere}"
    "header a{color:#cfe0ff}"
    "main{padding:.5em 1.2em 2em}"
    "h2{font-size:1.1em;margin:1.4em 0 .5em}"
    "p.note{color:#555e69;font-size:.9em}"
    "table{border-collapse:collapse}"
    ".grid th,.grid td{border:1px solid #d5dae1;padding:.2em .5em;text-align:left;"
    "vertical-align:top}"
    ".grid thead th{background:#eef1f5;white-space:nowrap;position:sticky;top:0}"
    ".grid tbody th{font-weight:normal;overflow-wrap:break-word}"
    ".grid small{color:#555e69}"
    "th[tabindex]{cursor:pointer}"
    "th[tabindex]::after{content:' \\2195';color:#8a929c}"
    "th[aria-sort=ascending]::after{content:' \\2191'}"
    "th[aria-sort=descending]::after{content:' \\2193'}"
    "td.r{white-space:nowrap;font-variant-numeric:tabular-nums;padding-bottom:.35em;"
    "background:linear-gradient(var(--c),var(--c)) left bottom/var(--r) 4px no-repeat,"
    "linear-gradient(#e3e6ea,#e3e6ea) left bottom/100% 4px no-repeat}"
    "td.lo{--c:#d64545}td.mid{--c:#d9a21b}td.hi{--c:#2e9e4f}"
    "td.na{color:#6a737d}"
    ".charts{display:flex;flex-wrap:wrap;gap:.5em 1.5em}"
    "figure.chart{margin:0}"
    "figure.chart figcaption{font-size:.9em}"
    "svg text{font-size:10px;fill:#555e69}"
    "svg .g{stroke:#d5dae1;stroke-width:1}"
    "svg polyline.s{fill:none;stroke:#3568b8;stroke-width:1.5}"
    "svg circle.s{fill:#3568b8}"
    ".matrix th.f{writing-mode:vertical-rl;transform:rotate(180deg);max-height:14em;"
    "overflow:hidden;font-weight:normal}"
    ".matrix td{text-align:center;color:#2e9e4f}"
    ".legend span{display:inline-block;margin-right:1em;padding:0 .4em;border-left:6px solid}"
    ".legend .h,tr.h td.k{border-color:#2e9e4f}"
    ".legend .p,tr.p td.k{border-color:#d9a21b}"
    ".legend .m,tr.m td.k{border-color:#d64545}"
    ".legend .o{border-color:#d5dae1}"
    "table.src{font:12px/1.45 ui-monospace,SFMono-Regular,Menlo,Consolas,'DejaVu Sans Mono',"
    "monospace;width:100%}"
    ".src td{padding:0 .5em;vertical-align:top}"
    ".src td.n{text-align:right;color:#6a737d;white-space:nowrap}"
    ".src td.k{border-left:6px solid transparent;padding:0 .3em;color:#555e69}"
    ".src td.s{white-space:pre;tab-size:8}"
    ".src td.d{font:11px/1.45 system-ui,sans-serif;width:100%;min-width:20em}"
    "tr.h td.s{background:#e3f6e8}tr.p td.s{background:#fff3cc}tr.m td.s{background:#fcdede}"
    "tr:target td{background:#dbe7fb}"
    ".it{display:inline-block;margin:0 .4em 1px 0;padding:0 .3em;border-radius:3px;"
    "white-space:nowrap}"
    ".it.y{background:#e3f6e8}.it.x{background:#fcdede}"
    "@media print{.grid thead th{position:static}}";

// Sorts the rows of a table's body by a column: by the number in the cells'
// data-v attributes when they have one, else by their text.
const char kSortScript[] =
    "(function(){"
    "function key(c){if(!c)return '';var v=c.getAttribute('data-v');"
    "return v===null?c.textContent.trim():parseFloat(v);}"
    "function order(a,b){return typeof a==='number'&&typeof b==='number'?a-b:"
    "String(a).localeCompare(String(b),undefined,{numeric:true});}"
    "document.querySelectorAll('table.sortable').forEach(function(t){"
    "var hs=t.tHead.rows[0].cells;"
    "Array.prototype.forEach.call(hs,function(th,i){"
    "th.tabIndex=0;"
    "function sort(){var up=th.getAttribute('aria-sort')!=='ascending';"
    "Array.prototype.forEach.call(hs,function(h){h.removeAttribute('aria-sort');});"
    "th.setAttribute('aria-sort',up?'ascending':'descending');"
    "var b=t.tBodies[0],rows=Array.prototype.slice.call(b.rows);"
    "rows.forEach(function(r,n){r.dataset.n=n;});"
    "rows.sort(function(x,y){var d=order(key(x.cells[i]),key(y.cells[i]));"
    "return (up?d:-d)||x.dataset.n-y.dataset.n;});"
    "rows.forEach(function(r){b.appendChild(r);});}"
    "th.addEventListener('click',sort);"
    "th.addEventListener('keydown',function(e){if(e.key==='Enter'||e.key===' ')"
    "{e.preventDefault();sort();}});"
    "});});})();";

} // namespace

void writePageStart(std::FILE *out, ReportLanguage language, const QString &title,
                    const QString &subtitle, std::time_t runTime, const char *backLink) {
  std::fprintf(out, "<!DOCTYPE html>\n<html lang=\"%s\">\n<head>\n<meta charset=\"utf-8\">\n",
               language == French ? "fr" : "en");
  std::fputs("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
             "<meta name=\"generator\" content=\"zeltocov ",
             out);
  std::fputs(kToolVersion, out);
  std::fputs("\">\n<title>", out);
  writeEscaped(out, title);
  std::fputs("</title>\n<style>", out);
  std::fputs(kStyle, out);
  std::fputs("</style>\n</head>\n<body>\n<header>\n", out);
  if (backLink) {
    std::fprintf(out, "<p><a href=\"%s\">", backLink);
    writeEscaped(out, QString::fromLatin1(htmlLabel(HlBackToIndex, language)));
    std::fputs("</a></p>\n", out);
  }
  std::fputs("<h1>", out);
  writeEscaped(out, title);
  std::fputs("</h1>\n", out);
  if (!subtitle.isEmpty()) {
    std::fputs("<p>", out);
    writeEscaped(out, subtitle);
    std::fputs("</p>\n", out);
  }
  std::fputs("<p>", out);
  if (backLink) {
    writeEscaped(out, QString::fromLatin1(kReportLabels.get(LblReportTitle, language)));
    std::fputs(" &#183; ", out);
  }
  writeEscaped(out, QString::fromLatin1(htmlLabel(HlToolVersion, language)));
  std::fprintf(out, " %s &#183; %s</p>\n</header>\n<main>\n", kToolVersion,
               dateText(runTime).c_str());
}

void writePageEnd(std::FILE *out, bool sortable) {
  std::fputs("</main>\n", out);
  if (sortable) {
    std::fputs("<script>", out);
    std::fputs(kSortScript, out);
    std::fputs("</script>\n", out);
  }
  std::fputs("</body>\n</html>\n", out);
}
