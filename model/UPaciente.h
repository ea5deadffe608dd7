#pragma once
// The record of one patient as the patient manager fills it and the data access
// object stores it in PACIENTE: every field but ID as typed, one per PAC_ column.
#include <QString>

#include <cstdint>

struct TPaciente {
    std::int32_t ID = -1; // PAC_ID; -1 = new patient
    QString Prontuario, Nome, Sexo, Prof, Civil, Sangue, CPF, RG, Orgao;
    QString Nascimento; // "dd/mm/yyyy"
    QString Natural, NatUF, Pai, Mae;
    QString Logradouro, Complemento, Bairro, Cidade, UF, CEP; // CEP "#####-###"
    QString Fone1, Fone2, Fone3, Email, Observacoes;
};
