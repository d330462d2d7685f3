<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Assertion</name>
    <message>
        <source>Cannot eval file key</source>
        <translation>Impossible de calculer la clé de fichier</translation>
    </message>
    <message>
        <source>Bad decimal number while reading file %1</source>
        <translation>Nombre décimal incorrect à la lecture du fichier %1</translation>
    </message>
    <message>
        <source>Null pointer for value while reading file %1</source>
        <translation>Pointeur nul pour une valeur à la lecture du fichier %1</translation>
    </message>
    <message>
        <source>Null pointer for time while reading file %1</source>
        <translation>Pointeur nul pour une heure à la lecture du fichier %1</translation>
    </message>
    <message>
        <source>Bad hexadecimal number while reading file %1</source>
        <translation>Nombre hexadécimal incorrect à la lecture du fichier %1</translation>
    </message>
    <message>
        <source>Source file name empty while changing extension</source>
        <translation>Nom de fichier source vide lors du changement d&apos;extension</translation>
    </message>
    <message>
        <source>Extension empty while changing it to a file</source>
        <translation>Extension vide lors de son remplacement dans un nom de fichier</translation>
    </message>
    <message>
        <source>Extension not beginning with period while changing it to a file</source>
        <translation>Extension ne commençant pas par un point lors de son remplacement dans un nom de fichier</translation>
    </message>
</context>
<context>
    <name>CAB</name>
    <message>
        <source>Arg value too small,</source>
        <translation>Valeur d&apos;argument trop petite,</translation>
    </message>
    <message>
        <source>Arg value too large,</source>
        <translation>Valeur d&apos;argument trop grande,</translation>
    </message>
    <message>
        <source>Arg length too small,</source>
        <translation>Longueur d&apos;argument trop petite,</translation>
    </message>
    <message>
        <source>Arg length too large,</source>
        <translation>Longueur d&apos;argument trop grande,</translation>
    </message>
    <message>
        <source>Too many arguments invalid argument,</source>
        <translation>Trop d&apos;arguments, argument invalide,</translation>
    </message>
    <message>
        <source>List forbidden invalid argument,</source>
        <translation>Liste interdite, argument invalide,</translation>
    </message>
    <message>
        <source>Unknown option,</source>
        <translation>Option inconnue,</translation>
    </message>
    <message>
        <source>Invalid character following option,</source>
        <translation>Caractère invalide après l&apos;option,</translation>
    </message>
    <message>
        <source>An option can&apos;t be used twice,</source>
        <translation>Une option ne peut pas être utilisée deux fois,</translation>
    </message>
    <message>
        <source>Mandatory argument for this option,</source>
        <translation>Argument obligatoire pour cette option,</translation>
    </message>
    <message>
        <source>No argument for this option,</source>
        <translation>Pas d&apos;argument pour cette option,</translation>
    </message>
    <message>
        <source>List forbidden invalid option,</source>
        <translation>Liste interdite, option invalide,</translation>
    </message>
    <message>
        <source>Argument missing,</source>
        <translation>Argument manquant,</translation>
    </message>
    <message>
        <source>Ambiguous option,</source>
        <translation>Option ambiguë,</translation>
    </message>
    <message>
        <source>Unknown value of option,</source>
        <translation>Valeur d&apos;option inconnue,</translation>
    </message>
    <message>
        <source>Ambiguous value of option,</source>
        <translation>Valeur d&apos;option ambiguë,</translation>
    </message>
    <message>
        <source>Illegal combination of command elements,</source>
        <translation>Combinaison d&apos;éléments de commande interdite,</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>Fichier introuvable</translation>
    </message>
    <message>
        <source>Command analysis: No memory left</source>
        <translation>Analyse de la commande : mémoire épuisée</translation>
    </message>
    <message>
        <source>Command analysis</source>
        <translation>Analyse de la commande</translation>
    </message>
    <message>
        <source>Internal error, bad option name</source>
        <translation>Erreur interne, nom d&apos;option incorrect</translation>
    </message>
    <message>
        <source>and</source>
        <translation>et</translation>
    </message>
    <message>
        <source>Corvane(R)</source>
        <translation>Corvane(R)</translation>
    </message>
    <message>
        <source>Argument file too large,</source>
        <translation>Fichier d&apos;arguments trop grand,</translation>
    </message>
    <message>
        <source>Word too long in argument file,</source>
        <translation>Mot trop long dans le fichier d&apos;arguments,</translation>
    </message>
    <message>
        <source>Too many words in argument files,</source>
        <translation>Trop de mots dans les fichiers d&apos;arguments,</translation>
    </message>
</context>
<context>
    <name>Cio message</name>
    <message>
        <source>Hit</source>
        <translation>Exécuté</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>oui</translation>
    </message>
    <message>
        <source>no</source>
        <translation>non</translation>
    </message>
    <message>
        <source>Functions and exits</source>
        <translation>Fonctions et sorties</translation>
    </message>
    <message>
        <source>Calls</source>
        <translation>Appels</translation>
    </message>
    <message>
        <source>Statement blocks</source>
        <translation>Blocs d&apos;instructions</translation>
    </message>
    <message>
        <source>Implicit blocks</source>
        <translation>Blocs implicites</translation>
    </message>
    <message>
        <source>Decisions</source>
        <translation>Décisions</translation>
    </message>
    <message>
        <source>Loops</source>
        <translation>Boucles</translation>
    </message>
    <message>
        <source>Asynchronous transfer block</source>
        <translation>Bloc de transfert asynchrone</translation>
    </message>
    <message>
        <source>Basic conditions</source>
        <translation>Conditions élémentaires</translation>
    </message>
    <message>
        <source>Modified conditions</source>
        <translation>Conditions modifiées</translation>
    </message>
    <message>
        <source>Multiple conditions</source>
        <translation>Conditions composées</translation>
    </message>
    <message>
        <source>Forced modified conditions</source>
        <translation>Conditions modifiées forcées</translation>
    </message>
    <message>
        <source>Forced multiple conditions</source>
        <translation>Conditions composées forcées</translation>
    </message>
    <message>
        <source>none</source>
        <translation>aucun</translation>
    </message>
    <message>
        <source>n/a</source>
        <translation>n/a</translation>
    </message>
    <message>
        <source>For modified conditions, previous tests are taken into account</source>
        <translation>Pour les conditions modifiées, les tests précédents sont pris en compte</translation>
    </message>
    <message>
        <source>For modified conditions, previous tests and services are taken into account</source>
        <translation>Pour les conditions modifiées, les tests et services précédents sont pris en compte</translation>
    </message>
    <message>
        <source>For modified conditions, previous services are taken into account</source>
        <translation>Pour les conditions modifiées, les services précédents sont pris en compte</translation>
    </message>
    <message>
        <source>Coverage analysis : nothing was hit</source>
        <translation>Analyse de couverture : rien n&apos;a été exécuté</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fichier</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Synthèse</translation>
    </message>
</context>
<context>
    <name>Command-line</name>
    <message>
        <source>
Usage zeltocov:
	&lt;file&gt;[,file]
	[-PROC[=&lt;RET&gt;]]
	[-NOPROC]
	[-CALL|-NOCALL]
	[-BLOCK[=&lt;IMPLICIT|DECISION|LOGICAL|ATC&gt;]]
	[-NOBLOCK]
	[-COND[=&lt;MODIFIED|COMPOUND&gt;]]
	[-NOCOND]
	[-OUTPUT=&lt;file&gt;]
	[-LISTING[=&lt;directory&gt;]]
	[-GLOBAL|-NOGLOBAL]
	[-CLEAN=&lt;newtiofile&gt;]
	[-MERGETESTS]
	[-BRANCH=&lt;NOCOV|COV&gt;]
	[-SUMMARY=&lt;SERVICE|FILE|CONCLUSION&gt;]
	[-FILE=&lt;file&gt;[,file]]
	[-EXFILE=&lt;file&gt;[,file]]
	[-SERVICE=&lt;name&gt;[,name]]
	[-EXSERVICE=&lt;name&gt;[,name]]
	[-TEST=&lt;test&gt;[,test]]
	[-EXTEST=&lt;test&gt;[,test]]
	[-CIO=&lt;file&gt;]
</source>
        <translation>
Utilisation de zeltocov :
	&lt;fichier&gt;[,fichier]
	[-PROC[=&lt;RET&gt;]]
	[-NOPROC]
	[-CALL|-NOCALL]
	[-BLOCK[=&lt;IMPLICIT|DECISION|LOGICAL|ATC&gt;]]
	[-NOBLOCK]
	[-COND[=&lt;MODIFIED|COMPOUND&gt;]]
	[-NOCOND]
	[-OUTPUT=&lt;fichier&gt;]
	[-LISTING[=&lt;répertoire&gt;]]
	[-GLOBAL|-NOGLOBAL]
	[-CLEAN=&lt;nouveaufichiertio&gt;]
	[-MERGETESTS]
	[-BRANCH=&lt;NOCOV|COV&gt;]
	[-SUMMARY=&lt;SERVICE|FILE|CONCLUSION&gt;]
	[-FILE=&lt;fichier&gt;[,fichier]]
	[-EXFILE=&lt;fichier&gt;[,fichier]]
	[-SERVICE=&lt;nom&gt;[,nom]]
	[-EXSERVICE=&lt;nom&gt;[,nom]]
	[-TEST=&lt;test&gt;[,test]]
	[-EXTEST=&lt;test&gt;[,test]]
	[-CIO=&lt;fichier&gt;]
</translation>
    </message>
    <message>
        <source>file</source>
        <translation>fichier</translation>
    </message>
</context>
<context>
    <name>Display Message</name>
    <message>
        <source>%1 %2 - FATAL ERROR: %3
</source>
        <comment>Used for fatal error message
%1: product name
%2: executable name
%3: message to display</comment>
        <translation>%1 %2 - ERREUR FATALE : %3
</translation>
    </message>
    <message>
        <source>%1 %2 - INTERNAL ERROR: %3
</source>
        <comment>Used for internal error message
%1: product name
%2: executable name
%3: message to display</comment>
        <translation>%1 %2 - ERREUR INTERNE : %3
</translation>
    </message>
    <message>
        <source>%1 %2 - ERROR: %3
</source>
        <comment>Used for user errors messages
%1: product name
%2: executable name
%3: message to display</comment>
        <translation>%1 %2 - ERREUR : %3
</translation>
    </message>
    <message>
        <source>%1 %2 - WARNING: %3
</source>
        <comment>Used for warning messages
%1: product name
%2: executable name
%3: message</comment>
        <translation>%1 %2 - AVERTISSEMENT : %3
</translation>
    </message>
    <message>
        <source>%1 %2 - INFO: %3
</source>
        <comment>Used for information messages%1:product name
%2: executable name
%3: message to print</comment>
        <translation>%1 %2 - INFO : %3
</translation>
    </message>
</context>
<context>
    <name>Error</name>
    <message>
        <source>%1 is a link: refused, the measure is not written</source>
        <comment>%1 is a file name</comment>
        <translation>%1 est un lien : refusé, la mesure n&apos;est pas écrite</translation>
    </message>
    <message>
        <source>%1 is not a regular file: refused, the measure is not written</source>
        <comment>%1 is a file name</comment>
        <translation>%1 n&apos;est pas un fichier ordinaire : refusé, la mesure n&apos;est pas écrite</translation>
    </message>
    <message>
        <source>%1 is not owned by the user of this run: refused, the measure is not written</source>
        <comment>%1 is a file name</comment>
        <translation>%1 n&apos;appartient pas à l&apos;utilisateur de cette exécution : refusé, la mesure n&apos;est pas écrite</translation>
    </message>
    <message>
        <source>Repaired %1: %2 bytes after its last complete record were cut off</source>
        <comment>%1 is a file name; %2 a number of bytes</comment>
        <translation>%1 réparé : %2 octets après son dernier enregistrement complet ont été supprimés</translation>
    </message>
    <message>
        <source>Repaired %1: rebuilt from the records of %2</source>
        <comment>%1 is the index file; %2 the database file</comment>
        <translation>%1 réparé : reconstruit à partir des enregistrements de %2</translation>
    </message>
    <message>
        <source>Lock file %1 was left by process %2, which no longer runs: taken over</source>
        <comment>%1 is a file name; %2 a process id</comment>
        <translation>Le fichier de verrou %1 a été laissé par le processus %2, qui ne s&apos;exécute plus : repris</translation>
    </message>
    <message>
        <source>Still waiting for the lock file %1, in place since %2.
  If no run is writing measures, it may be removed by hand.</source>
        <comment>%1 is a file name; %2 a date</comment>
        <translation>Toujours en attente du fichier de verrou %1, présent depuis %2.
  Si aucune exécution n&apos;écrit de mesures, il peut être supprimé à la main.</translation>
    </message>
    <message>
        <source>Unable to create DataBase file</source>
        <translation>Impossible de créer le fichier de base de données</translation>
    </message>
    <message>
        <source>Unable to read DataBase file</source>
        <translation>Impossible de lire le fichier de base de données</translation>
    </message>
    <message>
        <source>Unable to write in DataBase file</source>
        <translation>Impossible d&apos;écrire dans le fichier de base de données</translation>
    </message>
    <message>
        <source>Unable close DataBase file</source>
        <translation>Fermeture impossible du fichier de base de données</translation>
    </message>
    <message>
        <source>Unable to create TPM file</source>
        <translation>Impossible de créer le fichier TPM</translation>
    </message>
    <message>
        <source>Unable to write in Index file</source>
        <translation>Impossible d&apos;écrire dans le fichier d&apos;index</translation>
    </message>
    <message>
        <source>Unable to close Index file</source>
        <translation>Impossible de fermer le fichier d&apos;index</translation>
    </message>
    <message>
        <source>Unable to open index file</source>
        <translation>Impossible d&apos;ouvrir le fichier d&apos;index</translation>
    </message>
    <message>
        <source>Unable to read index file</source>
        <translation>Impossible de lire le fichier d&apos;index</translation>
    </message>
    <message>
        <source>Unable to open DataBase file</source>
        <translation>Impossible d&apos;ouvrir le fichier de base de données</translation>
    </message>
    <message>
        <source>Unable to update DataBase file</source>
        <translation>Impossible de mettre à jour le fichier de base de données</translation>
    </message>
    <message>
        <source>Unable to update Index File</source>
        <translation>Impossible de mettre à jour le fichier d&apos;index</translation>
    </message>
    <message>
        <source>Cannot open file :%1
</source>
        <comment>%1 is a file name</comment>
        <translation>Impossible d&apos;ouvrir le fichier : %1
</translation>
    </message>
    <message>
        <source>Reason is : %1
</source>
        <comment>%1 is a system message</comment>
        <translation>Raison : %1
</translation>
    </message>
    <message>
        <source>File is currently in use.
  Please break
      or wait until previous task has finished
      or remove file: %1</source>
        <comment>%1 is a file name</comment>
        <translation>Le fichier est en cours d&apos;utilisation.
  Veuillez interrompre
      ou attendre la fin de la tâche précédente
      ou supprimer le fichier : %1</translation>
    </message>
    <message>
        <source>File is now available</source>
        <translation>Le fichier est maintenant disponible</translation>
    </message>
    <message>
        <source>User break.
  File is still in use.
  Please wait until previous task has finished
      or remove file: %1</source>
        <translation>Interruption par l&apos;utilisateur.
  Le fichier est toujours en cours d&apos;utilisation.
  Veuillez attendre la fin de la tâche précédente
      ou supprimer le fichier : %1</translation>
    </message>
    <message>
        <source>Error unlocking transaction</source>
        <translation>Erreur au déverrouillage de la transaction</translation>
    </message>
    <message>
        <source>ZELTO_TPM_ROOT is not set!</source>
        <comment>ZELTO_TPM_ROOT is an environment variable name</comment>
        <translation>ZELTO_TPM_ROOT n&apos;est pas défini !</translation>
    </message>
    <message>
        <source>ZELTO_TPM_ROOT directory does not exist: %1</source>
        <comment>%1 is a directory name</comment>
        <translation>Le répertoire ZELTO_TPM_ROOT n&apos;existe pas : %1</translation>
    </message>
    <message>
        <source>Unable to get User name
</source>
        <translation>Impossible d&apos;obtenir le nom de l&apos;utilisateur
</translation>
    </message>
    <message>
        <source>Too many measure sub values</source>
        <translation>Trop de sous-valeurs de mesure</translation>
    </message>
</context>
<context>
    <name>Error Display</name>
    <message>
        <source>%1 - Test Process Monitor: %2
</source>
        <comment>%1 is the product name; %2 the error message</comment>
        <translation>%1 - Test Process Monitor : %2
</translation>
    </message>
</context>
<context>
    <name>Fatal Error</name>
    <message>
        <source>Errors in command line</source>
        <translation>Erreurs dans la ligne de commande</translation>
    </message>
    <message>
        <source>Cannot create output file %1</source>
        <translation>Impossible de créer le fichier de sortie %1</translation>
    </message>
    <message>
        <source>Cannot create CIO file %1</source>
        <comment>%1 is the name of the cio file</comment>
        <translation>Impossible de créer le fichier CIO %1</translation>
    </message>
    <message>
        <source>No current test number in file %1</source>
        <comment>%1 is the name of the file</comment>
        <translation>Pas de numéro de test courant dans le fichier %1</translation>
    </message>
    <message>
        <source>No current service number in file %1</source>
        <comment>%1 is the name of the file</comment>
        <translation>Pas de numéro de service courant dans le fichier %1</translation>
    </message>
    <message>
        <source>There is nothing to report ... report is empty</source>
        <translation>Il n&apos;y a rien à rapporter ... le rapport est vide</translation>
    </message>
    <message>
        <source>No memory left</source>
        <comment>program failed on memory allocation</comment>
        <translation>Mémoire épuisée</translation>
    </message>
    <message>
        <source>Bad hexadecimal number while reading file %1: %2
Description:
 The instrumentation ID numbers are dumped as hexadecimal numbers in the TIO file.
 This message indicates that the zeltocov program was expecting to read a hexadecimal number but found characters outside the 0-9a-f range of the hexadecimal number.
 Usually a sign of a corrupted TIO file.</source>
        <comment>%1 is the file name and %2 the input causing the error</comment>
        <translation>Nombre hexadécimal incorrect à la lecture du fichier %1 : %2
Description :
 Les identifiants d&apos;instrumentation sont écrits en hexadécimal dans le fichier TIO.
 Ce message indique que le programme zeltocov attendait un nombre hexadécimal mais a trouvé des caractères hors de l&apos;intervalle 0-9a-f des chiffres hexadécimaux.
 C&apos;est généralement le signe d&apos;un fichier TIO corrompu.</translation>
    </message>
    <message>
        <source>Maybe this Coverage Trace file has been generated using an older version of the Target Deployment Port</source>
        <translation>Ce fichier de traces de couverture a peut-être été produit par une version plus ancienne du Target Deployment Port</translation>
    </message>
    <message>
        <source>Cannot write to file %1</source>
        <comment>%1 is the name of the cleaned tio file</comment>
        <translation>Impossible d&apos;écrire dans le fichier %1</translation>
    </message>
    <message>
        <source>Cannot open trace file %1</source>
        <comment>%1 is the name of the trace file</comment>
        <translation>Impossible d&apos;ouvrir le fichier de traces %1</translation>
    </message>
    <message>
        <source>No DC line in TIO file %1</source>
        <comment>%1 is the name of the file</comment>
        <translation>Pas de ligne DC dans le fichier TIO %1</translation>
    </message>
    <message>
        <source>DC line missing after FT line in TIO file %1</source>
        <comment>%1 is the name of the file</comment>
        <translation>Ligne DC manquante après la ligne FT dans le fichier TIO %1</translation>
    </message>
    <message>
        <source>Unknown opcode in trace file %1</source>
        <comment>%1 is the name of the trace file</comment>
        <translation>Code d&apos;opération inconnu dans le fichier de traces %1</translation>
    </message>
    <message>
        <source>Unknown opcode in trace file %1: %2
Description:
 The TIO file is quite easy to read, each line starts with 2 characters (the opcode) then a space then parameters for the opcode.
 Most of the time the parameter is a hexadecimal number but the DT opcodes take a string parameters (or 0) and the NT opcode takes a string and 2 hexadecimal numbers as parameters.
 This message indicates that the first characters of the line, up to the space character, were not one of the opcodes expected in a TIO file.
 This is usually a sign of a corrupted TIO file.</source>
        <comment>%1 is the name of the trace file and %2 is the unknown opcode</comment>
        <translation>Code d&apos;opération inconnu dans le fichier de traces %1 : %2
Description :
 Le fichier TIO est simple à lire : chaque ligne commence par 2 caractères (le code d&apos;opération), puis une espace, puis les paramètres du code d&apos;opération.
 Le plus souvent le paramètre est un nombre hexadécimal, mais le code DT prend une chaîne en paramètre (ou 0) et le code NT prend une chaîne et 2 nombres hexadécimaux.
 Ce message indique que les premiers caractères de la ligne, jusqu&apos;à l&apos;espace, ne sont aucun des codes d&apos;opération attendus dans un fichier TIO.
 C&apos;est généralement le signe d&apos;un fichier TIO corrompu.</translation>
    </message>
    <message>
        <source>Incorrect traces in %1 (branch hit outside of any file-part)</source>
        <comment>%1 is the name of the incorrect trace file</comment>
        <translation>Traces incorrectes dans %1 (branche atteinte hors de toute partie de fichier)</translation>
    </message>
    <message>
        <source>standard output</source>
        <comment>the name of the standard output stream in messages</comment>
        <translation>sortie standard</translation>
    </message>
    <message>
        <source>Cannot read file %1: %2</source>
        <comment>%1 is a file name, %2 the reason given by the system</comment>
        <translation>Impossible de lire le fichier %1 : %2</translation>
    </message>
    <message>
        <source>Output file %1 of %2 is also an input file</source>
        <comment>%1 is a file name, %2 the option that names it</comment>
        <translation>Le fichier de sortie %1 de %2 est aussi un fichier d&apos;entrée</translation>
    </message>
    <message>
        <source>Outputs %1 and %2 name the same file %3</source>
        <comment>%1 and %2 are options, %3 a file name</comment>
        <translation>Les sorties %1 et %2 désignent le même fichier %3</translation>
    </message>
    <message>
        <source>Cannot write file %1: %2</source>
        <comment>%1 is the name of an output file, %2 the reason given by the system</comment>
        <translation>Impossible d&apos;écrire le fichier %1 : %2</translation>
    </message>
    <message>
        <source>Cannot create HTML directory %1</source>
        <comment>%1 is the name of the directory</comment>
        <translation>Impossible de créer le répertoire HTML %1</translation>
    </message>
    <message>
        <source>Cannot create XML file %1</source>
        <translation>Impossible de créer le fichier XML %1</translation>
    </message>
    <message>
        <source>Cannot create JSON file %1</source>
        <translation>Impossible de créer le fichier JSON %1</translation>
    </message>
    <message>
        <source>Cannot create digest file %1</source>
        <translation>Impossible de créer le fichier de synthèse %1</translation>
    </message>
    <message>
        <source>Cannot create the file of affected tests %1</source>
        <translation>Impossible de créer le fichier des tests concernés %1</translation>
    </message>
    <message>
        <source>Cannot create flow output file %1</source>
        <translation>Impossible de créer le fichier de trace de chemin %1</translation>
    </message>
    <message>
        <source>Cannot write to file %1</source>
        <comment>%1 is the name of the flow output file</comment>
        <translation>Impossible d&apos;écrire dans le fichier %1</translation>
    </message>
</context>
<context>
    <name>Internal Error</name>
    <message>
        <source>Cannot get service name in GetServiceAuth()</source>
        <translation>Impossible d&apos;obtenir le nom du service dans GetServiceAuth()</translation>
    </message>
    <message>
        <source>Please, contact your support</source>
        <translation>Veuillez contacter votre support technique</translation>
    </message>
    <message>
        <source>Bad bigramme in AddTioBranch()</source>
        <translation>Bigramme incorrect dans AddTioBranch()</translation>
    </message>
    <message>
        <source>No entry point in proc</source>
        <translation>Aucun point d&apos;entrée dans la procédure</translation>
    </message>
</context>
<context>
    <name>Merged test</name>
    <message>
        <source>Merged test</source>
        <comment>The test name to display for a set of merged tests</comment>
        <translation>Tests fusionnés</translation>
    </message>
</context>
<context>
    <name>User Error</name>
    <message>
        <source>Number overflow while reading file %1</source>
        <comment>%1 is the file name</comment>
        <translation>Dépassement de capacité numérique à la lecture du fichier %1</translation>
    </message>
    <message>
        <source>a source object was not linked with the right runtime object (check instrumentation mode)</source>
        <translation>un objet source n&apos;a pas été lié avec le bon objet d&apos;exécution (vérifiez le mode d&apos;instrumentation)</translation>
    </message>
    <message>
        <source>a composition of conditions evaluates in an unexpected result, contact your vendor</source>
        <translation>une composition de conditions donne un résultat inattendu, contactez votre fournisseur</translation>
    </message>
    <message>
        <source>a composition of conditions reached with an unexpected input vector, contact your vendor</source>
        <translation>une composition de conditions est atteinte avec un vecteur d&apos;entrée inattendu, contactez votre fournisseur</translation>
    </message>
    <message>
        <source>unknown error opcode</source>
        <translation>code d&apos;erreur inconnu</translation>
    </message>
    <message>
        <source>%1 is not a valid Code Coverage trace file</source>
        <translation>%1 n&apos;est pas un fichier de traces de couverture de code valide</translation>
    </message>
    <message>
        <source>Coverage of %1 is not measured by this run (the requested coverage types leave it out), below %2%</source>
        <comment>%1 is a coverage type keyword, %2 the threshold of -FAILUNDER</comment>
        <translation>La couverture %1 n&apos;est pas mesurée par cette exécution (les types de couverture demandés l&apos;excluent), sous le seuil de %2%</translation>
    </message>
    <message>
        <source>Coverage of %1 is %2%, below %3%</source>
        <comment>%1 is a coverage type keyword, %2 the rate reached, %3 the threshold of -FAILUNDER</comment>
        <translation>La couverture %1 est de %2%, sous le seuil de %3%</translation>
    </message>
    <message>
        <source>%1 needs -CHANGES=&lt;diff file&gt;</source>
        <comment>%1 is an option</comment>
        <translation>%1 demande -CHANGES=&lt;fichier diff&gt;</translation>
    </message>
    <message>
        <source>Cannot read the diff file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Impossible de lire le fichier diff %1</translation>
    </message>
    <message>
        <source>Line %2 of the diff file %1 is not part of a unified diff: %3</source>
        <comment>%1 is a file name, %2 a line number, %3 the text of that line</comment>
        <translation>La ligne %2 du fichier diff %1 n&apos;appartient pas à un diff unifié : %3</translation>
    </message>
</context>
<context>
    <name>User Info</name>
    <message>
        <source>Appending annotated listing of %1</source>
        <comment>%1 is the corresponding source file name</comment>
        <translation>Ajout au listing annoté de %1</translation>
    </message>
    <message>
        <source>Creating annotated listing of %1</source>
        <comment>%1 is the corresponding source file name</comment>
        <translation>Création du listing annoté de %1</translation>
    </message>
    <message>
        <source>Parts of traces do not match any listed FDC files; such parts are ignored</source>
        <translation>Des parties des traces ne correspondent à aucun des fichiers FDC donnés ; ces parties sont ignorées</translation>
    </message>
</context>
<context>
    <name>User Warning</name>
    <message>
        <source>%1 is a directory; it is left out</source>
        <comment>%1 is the name given on the command line</comment>
        <translation>%1 est un répertoire ; il est écarté</translation>
    </message>
    <message>
        <source>%1 is a link to a missing file; it is left out</source>
        <comment>%1 is the name given on the command line</comment>
        <translation>%1 est un lien vers un fichier absent ; il est écarté</translation>
    </message>
    <message>
        <source>Use of -SUMMARY=CONCLUSION and -FILE is inconsistent, -FILE is ignored</source>
        <translation>L&apos;emploi de -SUMMARY=CONCLUSION avec -FILE est incohérent, -FILE est ignoré</translation>
    </message>
    <message>
        <source>File %1 with path in -FILE list; path ignored</source>
        <translation>Fichier %1 avec un chemin dans la liste -FILE ; chemin ignoré</translation>
    </message>
    <message>
        <source>File %1 without file name in -FILE list is ignored</source>
        <translation>La valeur %1 sans nom de fichier dans la liste -FILE est ignorée</translation>
    </message>
    <message>
        <source>The file %1 appears twice in -FILE list</source>
        <translation>Le fichier %1 figure deux fois dans la liste -FILE</translation>
    </message>
    <message>
        <source>Use of -SUMMARY=CONCLUSION and -EXFILE is inconsistent, -EXFILE is ignored</source>
        <translation>L&apos;emploi de -SUMMARY=CONCLUSION avec -EXFILE est incohérent, -EXFILE est ignoré</translation>
    </message>
    <message>
        <source>File %1 with path in -EXFILE list; path ignored</source>
        <translation>Fichier %1 avec un chemin dans la liste -EXFILE ; chemin ignoré</translation>
    </message>
    <message>
        <source>File %1 without file name in -EXFILE list is ignored</source>
        <translation>La valeur %1 sans nom de fichier dans la liste -EXFILE est ignorée</translation>
    </message>
    <message>
        <source>The file %1 appears twice in -EXFILE list</source>
        <translation>Le fichier %1 figure deux fois dans la liste -EXFILE</translation>
    </message>
    <message>
        <source>-MERGETESTS cannot be used without -CLEAN, -MERGETESTS is ignored</source>
        <translation>-MERGETESTS ne peut pas être employé sans -CLEAN, -MERGETESTS est ignoré</translation>
    </message>
    <message>
        <source>Use of -SUMMARY and -BRANCH is inconsistent, -BRANCH is ignored</source>
        <translation>L&apos;emploi de -SUMMARY avec -BRANCH est incohérent, -BRANCH est ignoré</translation>
    </message>
    <message>
        <source>Use of -SUMMARY=CONCLUSION|FILE and -SERVICE is inconsistent, -SERVICE is ignored</source>
        <translation>L&apos;emploi de -SUMMARY=CONCLUSION|FILE avec -SERVICE est incohérent, -SERVICE est ignoré</translation>
    </message>
    <message>
        <source>The service %1 appears twice in -SERVICE list</source>
        <translation>Le service %1 figure deux fois dans la liste -SERVICE</translation>
    </message>
    <message>
        <source>Use of -SUMMARY=CONCLUSION|FILE and -EXSERVICE is inconsistent, -EXSERVICE is ignored</source>
        <translation>L&apos;emploi de -SUMMARY=CONCLUSION|FILE avec -EXSERVICE est incohérent, -EXSERVICE est ignoré</translation>
    </message>
    <message>
        <source>The service %1 appears twice in -EXSERVICE list</source>
        <translation>Le service %1 figure deux fois dans la liste -EXSERVICE</translation>
    </message>
    <message>
        <source>Use of -GLOBAL and -TEST is inconsistent, -TEST is ignored</source>
        <translation>L&apos;emploi de -GLOBAL avec -TEST est incohérent, -TEST est ignoré</translation>
    </message>
    <message>
        <source>The test %1 appears twice in -TEST list</source>
        <translation>Le test %1 figure deux fois dans la liste -TEST</translation>
    </message>
    <message>
        <source>Use of -GLOBAL and -EXTEST is inconsistent, -EXTEST is ignored</source>
        <translation>L&apos;emploi de -GLOBAL avec -EXTEST est incohérent, -EXTEST est ignoré</translation>
    </message>
    <message>
        <source>The test %1 appears twice in -EXTEST list</source>
        <translation>Le test %1 figure deux fois dans la liste -EXTEST</translation>
    </message>
    <message>
        <source>Some unexecuted branches do not come from file %1, they are copied at the end of listing file.</source>
        <comment>%1 is the name of the file</comment>
        <translation>Des branches non exécutées ne proviennent pas du fichier %1, elles sont copiées à la fin du listing.</translation>
    </message>
    <message>
        <source>Cannot create annotated listing, source file %1 not found</source>
        <comment>%1 is the name of the source file</comment>
        <translation>Impossible de créer le listing annoté, fichier source %1 introuvable</translation>
    </message>
    <message>
        <source>Cannot create annotated listing %1</source>
        <comment>%1 is the name of the listing file</comment>
        <translation>Impossible de créer le listing annoté %1</translation>
    </message>
    <message>
        <source>Source file %1 is not a regular file; it is treated as missing</source>
        <comment>%1 is the name of the source file</comment>
        <translation>Le fichier source %1 n&apos;est pas un fichier ordinaire ; il est traité comme absent</translation>
    </message>
    <message>
        <source>File %1 in -FILE option is not in source file list</source>
        <translation>Le fichier %1 de l&apos;option -FILE n&apos;est pas dans la liste des fichiers source</translation>
    </message>
    <message>
        <source>File %1 in -EXFILE option is not in source file list</source>
        <translation>Le fichier %1 de l&apos;option -EXFILE n&apos;est pas dans la liste des fichiers source</translation>
    </message>
    <message>
        <source>Service %1 in -SERVICE option is unknown in selected source file list</source>
        <translation>Le service %1 de l&apos;option -SERVICE est inconnu dans les fichiers source sélectionnés</translation>
    </message>
    <message>
        <source>Service %1 in -EXSERVICE option is unknown in selected source file list</source>
        <translation>Le service %1 de l&apos;option -EXSERVICE est inconnu dans les fichiers source sélectionnés</translation>
    </message>
    <message>
        <source>SOURCE_DATE_EPOCH is not a number of seconds: %1; the current time is used</source>
        <comment>%1 is the value of the environment variable</comment>
        <translation>SOURCE_DATE_EPOCH n&apos;est pas un nombre de secondes : %1 ; l&apos;heure actuelle est utilisée</translation>
    </message>
    <message>
        <source>Error detected during execution:
-&gt; %1</source>
        <comment>%1 is the message of the error</comment>
        <translation>Erreur détectée pendant l&apos;exécution :
-&gt; %1</translation>
    </message>
    <message>
        <source>Selected test list is empty; generating conclusion only</source>
        <translation>La liste des tests sélectionnés est vide ; seule la conclusion est produite</translation>
    </message>
    <message>
        <source>No traces in argument list; generating report showing all branches</source>
        <translation>Aucune trace dans la liste des arguments ; le rapport montre toutes les branches</translation>
    </message>
    <message>
        <source>Some traces are count-oriented and others are not, count is ignored</source>
        <translation>Certaines traces comptent les passages et d&apos;autres non, les comptes sont ignorés</translation>
    </message>
    <message>
        <source>Test %1 in -TEST option was unknown in trace file list</source>
        <comment>%1 is the name of the file</comment>
        <translation>Le test %1 de l&apos;option -TEST est inconnu dans les fichiers de traces</translation>
    </message>
    <message>
        <source>Test %1 in -EXTEST option was unknown in trace file list</source>
        <comment>%1 is the name of the file</comment>
        <translation>Le test %1 de l&apos;option -EXTEST est inconnu dans les fichiers de traces</translation>
    </message>
    <message>
        <source>the source file could not be read</source>
        <comment>the reason why a listing is incomplete</comment>
        <translation>le fichier source n&apos;a pas pu être lu</translation>
    </message>
    <message>
        <source>Annotated listing %1 could not be written completely: %2</source>
        <comment>%1 is the name of the listing file, %2 the reason</comment>
        <translation>Le listing annoté %1 n&apos;a pas pu être écrit entièrement : %2</translation>
    </message>
    <message>
        <source>Message catalog %1 is damaged; it is ignored</source>
        <comment>%1 is the name of the catalog file</comment>
        <translation>Le catalogue de messages %1 est endommagé ; il est ignoré</translation>
    </message>
    <message>
        <source>FDC file %1 gives one instrumentation ID to several functions; the cleaned trace may not keep all of their hits</source>
        <comment>%1 is a file name</comment>
        <translation>Le fichier FDC %1 donne un même identifiant d&apos;instrumentation à plusieurs fonctions ; la trace nettoyée peut ne pas garder toutes leurs exécutions</translation>
    </message>
</context>
<context>
    <name>VelmoraIdent</name>
    <message>
        <source>Corvane Velmora</source>
        <translation>Corvane Velmora</translation>
    </message>
</context>
<context>
    <name>Version</name>
    <message>
        <source>%1 %2 %3 %4 %5
</source>
        <comment>%1 is a prefix, %2 a product name, %3 a module name</comment>
        <translation>%1 %2 %3 %4 %5
</translation>
    </message>
    <message>
        <source>Coverage Report Generator</source>
        <translation>Générateur de rapports de couverture</translation>
    </message>
    <message>
        <source>%1 Build Number: %2 %3
</source>
        <comment>%1 is a prefix, %2 a build number, %3 a suffix</comment>
        <translation>%1 Numéro de build : %2 %3
</translation>
    </message>
    <message>
        <source>%1   Date : %2 %3 %4
</source>
        <comment>%1 is a prefix, %2 a date, %3 a time, %4 a suffix</comment>
        <translation>%1   Date : %2 %3 %4
</translation>
    </message>
    <message>
        <source>%1    OS : %2 %3
</source>
        <comment>%1 is a string prefix, %2 the operating system name, %3 a string suffix</comment>
        <translation>%1    OS : %2 %3
</translation>
    </message>
    <message>
        <source>ms-dos</source>
        <comment>Operating system name</comment>
        <translation>ms-dos</translation>
    </message>
</context>
<context>
    <name>fdcL-Assertion</name>
    <message>
        <source>Attempt to open unnamed FDC file</source>
        <translation>Tentative d&apos;ouverture d&apos;un fichier FDC sans nom</translation>
    </message>
    <message>
        <source>Cannot retrieve correctly basic condition text</source>
        <translation>Impossible de lire correctement le texte d&apos;une condition élémentaire</translation>
    </message>
    <message>
        <source>Bad attempt to validate FDC file</source>
        <translation>Tentative incorrecte de validation d&apos;un fichier FDC</translation>
    </message>
    <message>
        <source>Bad expression in CalculVector()</source>
        <translation>Expression incorrecte dans CalculVector()</translation>
    </message>
    <message>
        <source>Bad kind of branch %1</source>
        <comment>%1 is a number</comment>
        <translation>Type de branche incorrect %1</translation>
    </message>
    <message>
        <source>Cannot add a couple of vectors</source>
        <translation>Impossible d&apos;ajouter un couple de vecteurs</translation>
    </message>
    <message>
        <source>Cannot find condition in current procedure</source>
        <translation>Condition introuvable dans la procédure courante</translation>
    </message>
    <message>
        <source>Cannot calculate modified conditions without composition</source>
        <translation>Impossible de calculer les conditions modifiées sans composition</translation>
    </message>
</context>
<context>
    <name>fdcL-Error</name>
    <message>
        <source>Cannot retrieve correctly %1 %2</source>
        <comment>%1 is a message, %2 a file name</comment>
        <translation>Impossible de lire correctement : %1 %2</translation>
    </message>
    <message>
        <source>Empty %1 %2</source>
        <comment>%1 is a message, %2 a file name</comment>
        <translation>Valeur vide : %1 %2</translation>
    </message>
    <message>
        <source>Bad FDC file</source>
        <comment>%1 is a file name</comment>
        <translation>Fichier FDC incorrect</translation>
    </message>
    <message>
        <source>FDC file without any version string: %1</source>
        <comment>%1 is a file name</comment>
        <translation>Fichier FDC sans chaîne de version : %1</translation>
    </message>
    <message>
        <source>%1 has been generated with an incompatible version of the product: %2</source>
        <comment>%1 is a file name, %2 a version</comment>
        <translation>%1 a été produit par une version incompatible du produit : %2</translation>
    </message>
    <message>
        <source>FDC file without any token string: %1</source>
        <comment>%1 is a file name</comment>
        <translation>Fichier FDC sans chaîne de jetons : %1</translation>
    </message>
    <message>
        <source>Bad or missing FC in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>FC incorrect ou manquant dans le fichier FDC %1</translation>
    </message>
    <message>
        <source>src-file name in FDC file</source>
        <translation>nom du fichier source dans le fichier FDC</translation>
    </message>
    <message>
        <source>src-file directory in FDC file</source>
        <translation>répertoire du fichier source dans le fichier FDC</translation>
    </message>
    <message>
        <source>Bad or missing FD in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>FD incorrect ou manquant dans le fichier FDC %1</translation>
    </message>
    <message>
        <source>Garbage at the end of FD line in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Caractères superflus en fin de ligne FD dans le fichier FDC %1</translation>
    </message>
    <message>
        <source>Bad or missing TC in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>TC incorrect ou manquant dans le fichier FDC %1</translation>
    </message>
    <message>
        <source>Bad or missing TC information in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Informations TC incorrectes ou manquantes dans le fichier FDC %1</translation>
    </message>
    <message>
        <source>Unknown coverage type in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Type de couverture inconnu dans le fichier FDC %1</translation>
    </message>
    <message>
        <source>No data in FDC</source>
        <comment>%1 is a file name</comment>
        <translation>Aucune donnée dans le fichier FDC</translation>
    </message>
    <message>
        <source>Bad or missing DC in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>DC incorrect ou manquant dans le fichier FDC %1</translation>
    </message>
    <message>
        <source>Garbage at the end of DC line checksum in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Caractères superflus après la somme de contrôle de la ligne DC dans le fichier FDC %1</translation>
    </message>
    <message>
        <source>Unknown bigramme %1 in FDC file %2</source>
        <comment>%1 is the text, %2 a file name</comment>
        <translation>Bigramme inconnu %1 dans le fichier FDC %2</translation>
    </message>
    <message>
        <source>Missing tpr type in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Type tpr manquant dans le fichier FDC %1</translation>
    </message>
    <message>
        <source>Unknown tpr type in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Type tpr inconnu dans le fichier FDC %1</translation>
    </message>
    <message>
        <source>entity name in FDC file</source>
        <translation>nom d&apos;entité dans le fichier FDC</translation>
    </message>
    <message>
        <source>Multiple input in procedure %1</source>
        <comment>%1 is a procedure name</comment>
        <translation>Entrées multiples dans la procédure %1</translation>
    </message>
    <message>
        <source>calling function in FDC file</source>
        <translation>fonction appelante dans le fichier FDC</translation>
    </message>
    <message>
        <source>called function in FDC file</source>
        <translation>fonction appelée dans le fichier FDC</translation>
    </message>
    <message>
        <source>Missing tb type in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Type tb manquant dans le fichier FDC %1</translation>
    </message>
    <message>
        <source>Unknown tb type in FDC file</source>
        <comment>%1 is a file name</comment>
        <translation>Type tb inconnu dans le fichier FDC</translation>
    </message>
    <message>
        <source>enclosing entity in FDC file</source>
        <translation>entité englobante dans le fichier FDC</translation>
    </message>
    <message>
        <source>Missing block label in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Libellé de bloc manquant dans le fichier FDC %1</translation>
    </message>
    <message>
        <source>Bad number of basic condition in a composition in file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Nombre de conditions élémentaires incorrect dans une composition du fichier %1</translation>
    </message>
    <message>
        <source>Bad number of cases in a composition in file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Nombre de cas incorrect dans une composition du fichier %1</translation>
    </message>
    <message>
        <source>Bad cases or expression in a composition in file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Cas ou expression incorrects dans une composition du fichier %1</translation>
    </message>
    <message>
        <source>Bad frontier for a composition in file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Frontière incorrecte pour une composition du fichier %1</translation>
    </message>
    <message>
        <source>Bad composition in file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Composition incorrecte dans le fichier %1</translation>
    </message>
    <message>
        <source>Cannot find instrumentation ID for specified trace in FDC file %1
Description:
 The instrumentation id %2 for a coverage branch cannot be found in any of the function/procedures/methods of this FDC file
 It indicates that the trace file is corrupted, for example because the runtime coverage information has been modified by the mean of a write access to an array using an out of bound index.
 Such information is stored in file-scope (static) struct variables.
 You may consider to first check your own static arrays write accesses.</source>
        <comment>%1 is a file name and %2 is a number identifying the unknown branch</comment>
        <translation>Identifiant d&apos;instrumentation introuvable pour la trace indiquée dans le fichier FDC %1
Description :
 L&apos;identifiant d&apos;instrumentation %2 d&apos;une branche de couverture ne se trouve dans aucune des fonctions/procédures/méthodes de ce fichier FDC
 Cela indique que le fichier de traces est corrompu, par exemple parce que les informations de couverture à l&apos;exécution ont été modifiées par une écriture dans un tableau avec un indice hors limites.
 Ces informations sont stockées dans des variables struct de portée fichier (static).
 Vérifiez d&apos;abord les écritures dans vos propres tableaux statiques.</translation>
    </message>
    <message>
        <source>Line too long in FDC file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Ligne trop longue dans le fichier FDC %1</translation>
    </message>
</context>
<context>
    <name>fdcL-Info</name>
    <message>
        <source>%1 contains redundant static information; it is ignored</source>
        <comment>%1 is a fdc file name</comment>
        <translation>%1 contient des informations statiques redondantes ; elles sont ignorées</translation>
    </message>
    <message>
        <source>Computing modified conditions from %1compound conditions, it can take a few minutes ...</source>
        <comment>%1 is a number</comment>
        <translation>Calcul des conditions modifiées à partir de %1 conditions composées, cela peut prendre quelques minutes ...</translation>
    </message>
</context>
<context>
    <name>fdcL-Warning</name>
    <message>
        <source>Cannot open file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Impossible d&apos;ouvrir le fichier %1</translation>
    </message>
    <message>
        <source>Procedures coverage type won&apos;t be computed for file %1</source>
        <translation>La couverture des procédures ne sera pas calculée pour le fichier %1</translation>
    </message>
    <message>
        <source>Procedures and outputs coverage type won&apos;t be computed for file %1</source>
        <translation>La couverture des procédures et des sorties ne sera pas calculée pour le fichier %1</translation>
    </message>
    <message>
        <source>Calls coverage type won&apos;t be computed for file %1</source>
        <translation>La couverture des appels ne sera pas calculée pour le fichier %1</translation>
    </message>
    <message>
        <source>Simple blocks coverage type won&apos;t be computed for file %1</source>
        <translation>La couverture des blocs simples ne sera pas calculée pour le fichier %1</translation>
    </message>
    <message>
        <source>Implicit blocks coverage type won&apos;t be computed for file %1</source>
        <translation>La couverture des blocs implicites ne sera pas calculée pour le fichier %1</translation>
    </message>
    <message>
        <source>Logical blocks coverage type won&apos;t be computed for file %1</source>
        <translation>La couverture des blocs logiques ne sera pas calculée pour le fichier %1</translation>
    </message>
    <message>
        <source>Asynchronous transfer blocks coverage type won&apos;t be computed for file %1</source>
        <translation>La couverture des blocs de transfert asynchrone ne sera pas calculée pour le fichier %1</translation>
    </message>
    <message>
        <source>Basic conditions coverage type won&apos;t be computed for file %1</source>
        <translation>La couverture des conditions élémentaires ne sera pas calculée pour le fichier %1</translation>
    </message>
    <message>
        <source>Modified conditions coverage type won&apos;t be computed for file %1</source>
        <translation>La couverture des conditions modifiées ne sera pas calculée pour le fichier %1</translation>
    </message>
    <message>
        <source>Compound conditions coverage type won&apos;t be computed for file</source>
        <translation>La couverture des conditions composées ne sera pas calculée pour le fichier</translation>
    </message>
    <message>
        <source>Basic conditions coverage in expression won&apos;t be computed for file</source>
        <translation>La couverture des conditions élémentaires dans les expressions ne sera pas calculée pour le fichier</translation>
    </message>
    <message>
        <source>Source file touched after instrumentation: %1</source>
        <comment>%1 is a file name</comment>
        <translation>Fichier source modifié après l&apos;instrumentation : %1</translation>
    </message>
    <message>
        <source>Older version of src file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Version plus ancienne du fichier source %1</translation>
    </message>
    <message>
        <source>None of requested coverage types will be computed for file %1</source>
        <comment>%1 is a file name</comment>
        <translation>Aucun des types de couverture demandés ne sera calculé pour le fichier %1</translation>
    </message>
</context>
</TS>
