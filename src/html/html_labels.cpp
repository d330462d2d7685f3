#include "html/html_labels.h"

#include "listing/annotation_list.h"

namespace {

const char *const kHtmlLabels[HlLabelCount][2] = {
    {"Files", "Fichiers"},
    {"File", "Fichier"},
    {"Directory", "Repertoire"},
    {"Functions", "Fonctions"},
    {"Function", "Fonction"},
    {"Lines", "Lignes"},
    {"Line", "Ligne"},
    {"Source", "Source"},
    {"Items", "Elements"},
    {"Tests", "Tests"},
    {"Test", "Test"},
    {"Date", "Date"},
    {"Tests and files", "Tests et fichiers"},
    {"tests: the tests and the files that each one hit are on their own page:",
     "tests : les tests et les fichiers que chacun a executes sont sur leur propre page :"},
    {"Coverage over time", "Couverture dans le temps"},
    {"measures", "mesures"},
    {"The source file was not found:", "Le fichier source est introuvable :"},
    {"Items on lines that the source does not have", "Elements sur des lignes absentes du source"},
    {"line hit", "ligne executee"},
    {"line partially hit", "ligne partiellement executee"},
    {"line not hit", "ligne non executee"},
    {"hit", "execute"},
    {"not hit", "non execute"},
    {"Index", "Index"},
    {"Tool version", "Version de l'outil"},
    {"No file is selected.", "Aucun fichier n'est selectionne."},
    {"No test was reported.", "Aucun test n'a ete rapporte."},
    {"Click a column heading to sort the rows.",
     "Cliquer sur un titre de colonne pour trier les lignes."},
    {"A line is green when every item on it was hit, yellow when some were, red when none was.",
     "Une ligne est verte quand tous ses elements ont ete executes, jaune quand certains l'ont "
     "ete, rouge quand aucun ne l'a ete."},
    {"The number after a line's number is how many times the line ran (the largest count of "
     "the items that run code on it).",
     "Le nombre apres le numero d'une ligne est le nombre de fois qu'elle a ete executee (le "
     "plus grand compte des elements qui y executent du code)."},
    {"Keys n and p go to the next and the previous line not wholly hit.",
     "Les touches n et p menent a la ligne suivante et a la ligne precedente qui n'est pas "
     "entierement executee."},
    {"Colour of a rate:", "Couleur d'un taux :"},
    {"Directories", "Repertoires"},
    {"Files hit", "Fichiers executes"},
    {"tests:", "tests :"},
    {"Beside a line: how many tests ran it (an item that runs code on it was hit in the test); "
     "point at it to list them.",
     "A cote d'une ligne : combien de tests l'ont executee (un element qui y execute du code a "
     "ete execute dans le test) ; pointer dessus pour les lister."},
    {"Only this test reaches these items", "Seul ce test atteint ces elements"},
    {"Items this test hit", "Elements que ce test a executes"},
    {"Every item this test hit was hit by another test too.",
     "Chaque element que ce test a execute l'a aussi ete par un autre test."},
    {"Changed lines", "Lignes modifiees"},
    {"changed lines:", "lignes modifiees :"},
    {"Changed lines that no test ran:", "Lignes modifiees qu'aucun test n'a executees :"},
    {"Changed lines without items (not counted):",
     "Lignes modifiees sans element (non comptees) :"},
    {"Files of the diff that match no file of the report:",
     "Fichiers du diff qui ne correspondent a aucun fichier du rapport :"},
};

const char *const kFrenchKinds[AnnotKindCount] = {
    "Entree",
    "Sortie normale",
    "Return",
    "Terminaison",
    "Appel de",
    "Bloc simple",
    "Bloc implicite",
    "Bloc logique",
    "Bloc de transfert asynchrone",
    "Condition elementaire",
    "Condition modifiee",
    "Condition composee",
    "Condition modifiee forcee",
    "Condition composee forcee",
};

} // namespace

const char *htmlLabel(HtmlLabel row, ReportLanguage language) {
  return kHtmlLabels[row][language == French ? 1 : 0];
}

const char *itemKindLabel(uint8_t kind, ReportLanguage language) {
  if (language == French && kind < AnnotKindCount) return kFrenchKinds[kind];
  return listingKindText(kind);
}

QString plainLabel(ReportLabel row, ReportLanguage language) {
  QString text = QString::fromLatin1(kReportLabels.get(row, language));
  qsizetype end = text.size();
  while (end > 0 && (text[end - 1] == u'.' || text[end - 1] == u' '))
    --end;
  qsizetype start = 0;
  while (start < end && text[start] == u' ')
    ++start;
  return text.mid(start, end - start);
}
