<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Version</name>
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
</context>
</TS>
