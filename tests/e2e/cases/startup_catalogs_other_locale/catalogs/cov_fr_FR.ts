<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>Fatal Error</name>
    <message>
        <source>Errors in command line</source>
        <translation>Erreurs dans la ligne de commande</translation>
    </message>
</context>
</TS>
